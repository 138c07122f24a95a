#include "tests/support/SimProcess.h"

#include "tests/support/FdIo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>

namespace tulex::sim::test {

SimProcess::SimProcess(const std::vector<std::string>& args, const std::string& simDir) {
    int inPipe[2], outPipe[2];
    if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(inPipe[0], STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        setenv("TULEX_SIM_DIR", simDir.c_str(), 1);
        std::vector<char*> argv;
        std::string program = TULEX_SIM_PROGRAM;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    in_ = inPipe[1];
    out_ = outPipe[0];
}

SimProcess::~SimProcess() {
    if (pid_ > 0 && status_ == -1) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (in_ >= 0) ::close(in_);
    if (out_ >= 0) ::close(out_);
}

std::string SimProcess::ReadStdout(std::chrono::milliseconds within, std::string_view until) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (until.empty() || buffered_.find(until) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        struct pollfd p {
            out_, POLLIN, 0
        };
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[4096];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0) break;
        buffered_.append(buf, static_cast<std::size_t>(n));
    }
    std::string out;
    if (until.empty()) {
        out.swap(buffered_);
    } else {
        const auto at = buffered_.find(until);
        const std::size_t end = at == std::string::npos ? buffered_.size() : at + until.size();
        out = buffered_.substr(0, end);
        buffered_.erase(0, end);
    }
    return out;
}

std::string SimProcess::FirstLine(std::chrono::milliseconds within) {
    std::string line = ReadStdout(within, "\n");
    if (line.empty() || line.back() != '\n') return {};
    line.pop_back();
    return line;
}

std::string SimProcess::Command(std::string_view line, std::string_view until, std::chrono::milliseconds within) {
    std::string text(line);
    text.push_back('\n');
    [[maybe_unused]] const ssize_t n = ::write(in_, text.data(), text.size());
    return ReadStdout(within, until);
}

void SimProcess::CloseInput() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
}

void SimProcess::Signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
}

int SimProcess::Wait(std::chrono::milliseconds within) {
    if (status_ < 0) status_ = tulex::test::WaitForExit(pid_, within);
    return status_;
}

RawClient::RawClient(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    struct termios t {};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
    tcflush(fd_, TCIOFLUSH);
}

RawClient::~RawClient() { Close(); }

void RawClient::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RawClient::Send(std::string_view bytes) { return tulex::test::WriteAll(fd_, bytes); }

std::string RawClient::Receive(std::chrono::milliseconds within, std::size_t want) {
    return tulex::test::ReadFor(fd_, within, want, {.neverPastWant = true});
}

}  // namespace tulex::sim::test
