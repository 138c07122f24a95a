#include "tests/support/CliProcess.h"

#include "tests/support/FdIo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace tulex::test {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void ExecCli(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err) {
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int inFd = open("/dev/null", O_RDONLY);
    if (outFd < 0 || errFd < 0 || inFd < 0) return;
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    dup2(inFd, STDIN_FILENO);
    std::string program = TULEX_CLI_PROGRAM;
    std::vector<std::string> copy = args;
    std::vector<char*> argv{program.data()};
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
}

Cli::Cli(const std::vector<std::string>& args) {
    const auto out = dir_.path() / "out";
    const auto err = dir_.path() / "err";
    pid_ = fork();
    if (pid_ == 0) {
        ExecCli(args, out, err);
        _exit(127);
    }
}

Cli::~Cli() {
    if (pid_ > 0 && status_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void Cli::Signal(int sig) { kill(pid_, sig); }

int Cli::Wait(std::chrono::milliseconds within) {
    if (status_ < 0) status_ = WaitForExit(pid_, within);
    return status_;
}

std::string Cli::Out() const { return ReadFile(dir_.path() / "out"); }
std::string Cli::Err() const { return ReadFile(dir_.path() / "err"); }

CliRun RunCli(const std::vector<std::string>& args) {
    Cli cli(args);
    CliRun run;
    run.status = cli.Wait(std::chrono::minutes(2));
    run.out = cli.Out();
    run.err = cli.Err();
    return run;
}

}  // namespace tulex::test
