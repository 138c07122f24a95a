#pragma once
// tulex-cli run as a child process (a ChildProcess): standard output and
// error go to files, standard input is /dev/null (no terminal). It runs at
// the program's real time limits.

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace tulex::test {

class Cli : public ChildProcess {
public:
    // tulex-cli with `args`.
    explicit Cli(const std::vector<std::string>& args);
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
