#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/FdIo.h"

namespace tulex::test {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void ExecProgram(const std::vector<std::string>& argv, const std::filesystem::path& out,
                 const std::filesystem::path& err) {
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int inFd = open("/dev/null", O_RDONLY);
    if (outFd < 0 || errFd < 0 || inFd < 0) return;
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    dup2(inFd, STDIN_FILENO);
    std::vector<std::string> copy = argv;
    std::vector<char*> pointers;
    for (auto& a : copy) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    execvp(pointers[0], pointers.data());
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& variables,
                           const std::vector<std::string>& unset) {
    const auto out = dir_.path() / "out";
    const auto err = dir_.path() / "err";
    pid_ = fork();
    if (pid_ != 0) return;
    // The child: its environment, then the program.
    for (const auto& name : unset) unsetenv(name.c_str());
    for (const auto& variable : variables) {
        const auto equals = variable.find('=');
        setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
    }
    ExecProgram(argv, out, err);
    _exit(127);
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && status_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ChildProcess::WaitForOutput(std::string_view text, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        if (Out().find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (status_ < 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return Out().find(text) != std::string::npos;
            }
        } else {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int ChildProcess::Wait(std::chrono::milliseconds within) {
    if (status_ < 0 && pid_ > 0) status_ = WaitForExit(pid_, within);
    return status_;
}

void ChildProcess::Signal(int sig) {
    if (pid_ > 0 && status_ < 0) kill(pid_, sig);
}

double ChildProcess::CpuSeconds() const {
    std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
    std::string stat;
    std::getline(in, stat);
    // The fields after the command name, which is in parentheses: utime and
    // stime are the 12th and 13th of them.
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long ticks = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i)
        if (i >= 12) ticks += std::stol(field);
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string ChildProcess::Out() const { return ReadFile(dir_.path() / "out"); }
std::string ChildProcess::Err() const { return ReadFile(dir_.path() / "err"); }

int RunQuietly(const std::vector<std::string>& argv, const std::vector<std::string>& variables) {
    ChildProcess helper(argv, variables);
    return helper.Wait(std::chrono::minutes(3));
}

}  // namespace tulex::test
