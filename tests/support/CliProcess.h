#pragma once
// tulex-cli run as a child process: standard output and error go to files
// (neither can fill up and block it), standard input is /dev/null (no
// terminal). It runs at the program's real time limits.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

#include "tests/support/TempDir.h"

namespace tulex::test {

std::string ReadFile(const std::filesystem::path& path);

class Cli {
public:
    explicit Cli(const std::vector<std::string>& args);
    ~Cli();  // kills the program if it is still running
    Cli(const Cli&) = delete;
    Cli& operator=(const Cli&) = delete;

    void Signal(int sig);
    // Exit status, -1 if it did not end within the time.
    int Wait(std::chrono::milliseconds within = std::chrono::seconds(30));
    std::string Out() const;
    std::string Err() const;

private:
    TempDir dir_;
    pid_t pid_ = -1;
    int status_ = -1;
};

// In a forked child: becomes tulex-cli with `args`, standard output and
// error going to the files `out` and `err`, standard input empty. Returns
// only when that could not be done.
void ExecCli(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err);

// The whole run of a program that ends on its own.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};
CliRun RunCli(const std::vector<std::string>& args);

}  // namespace tulex::test
