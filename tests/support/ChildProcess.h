#pragma once
// A program run by the Wine tests: tulex-cli (the Linux build or the Windows
// build under Wine) or a Windows test program. Standard output and error go
// to files, so that neither can fill up, and so that a wineserver that
// inherits them cannot keep a pipe open; standard input is /dev/null.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/TempDir.h"

namespace tulex::test {

class ChildProcess {
public:
    // argv[0] is looked up in PATH; `variables` ("NAME=value") are set and
    // `unset` removed in the child's environment.
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& variables = {},
                 const std::vector<std::string>& unset = {});
    ~ChildProcess();  // kills the program if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // Waits until standard output holds `text`; false if the program ended
    // or the time passed first.
    bool WaitForOutput(std::string_view text, std::chrono::milliseconds within);
    // Exit status (128 + signal if killed), -1 if it did not end in time.
    int Wait(std::chrono::milliseconds within);
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

// Runs a helper to its end with its output thrown away: its exit status.
int RunQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& variables = {});

}  // namespace tulex::test
