#pragma once
// A program run by the tests as a child process: tulex-cli (the Linux build,
// or the Windows build under Wine), a Windows test program or a helper.
// Standard output and error go to files, so that neither can fill up and
// block it, and so that a wineserver that inherits them cannot keep a pipe
// open; standard input is /dev/null (no terminal).

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/TempDir.h"

namespace tulex::test {

std::string ReadFile(const std::filesystem::path& path);

class ChildProcess {
public:
    // argv[0] is looked up in PATH; `variables` ("NAME=value") are set and
    // `unset` removed in the child's environment.
    explicit ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& variables = {},
                          const std::vector<std::string>& unset = {});
    ~ChildProcess();  // kills the program if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // Waits until standard output holds `text`; false if the program ended
    // or the time passed first.
    bool WaitForOutput(std::string_view text, std::chrono::milliseconds within);
    // Exit status (128 + signal if killed), -1 if it did not end in time.
    int Wait(std::chrono::milliseconds within = std::chrono::seconds(30));
    void Signal(int sig);
    // CPU time the process has used so far, user and system.
    double CpuSeconds() const;

    std::string Out() const;
    std::string Err() const;

private:
    TempDir dir_;
    pid_t pid_ = -1;
    int status_ = -1;
};

// In a forked child: becomes the program argv[0] (looked up in PATH), with
// standard output and error going to the files `out` and `err` and standard
// input empty. Returns only when that could not be done.
void ExecProgram(const std::vector<std::string>& argv, const std::filesystem::path& out,
                 const std::filesystem::path& err);

// Runs a helper to its end with its output thrown away: its exit status.
int RunQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& variables = {});

}  // namespace tulex::test
