#pragma once
// tulex-sim run as a child process for end-to-end tests, and a raw client
// of its pseudo-terminal that talks to it with hand-built bytes.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace tulex::sim::test {

class SimProcess {
public:
    // Starts the program with `args`, announcing in `simDir`.
    SimProcess(const std::vector<std::string>& args, const std::string& simDir);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The first line of standard output ("SIM1 /dev/pts/7"), empty if none
    // came within the time.
    std::string FirstLine(std::chrono::milliseconds within = std::chrono::seconds(5));
    // Sends one stdin command and collects standard output until `until`
    // appears or the time runs out.
    std::string Command(std::string_view line, std::string_view until,
                        std::chrono::milliseconds within = std::chrono::seconds(3));
    void CloseInput();
    void Signal(int sig);
    // Exit status, or -1 if it did not end within the time.
    int Wait(std::chrono::milliseconds within = std::chrono::seconds(5));
    std::string ReadStdout(std::chrono::milliseconds within, std::string_view until = {});

private:
    int pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffered_;
    int status_ = -1;
};

// The slave side of the pty, opened raw as a port would be.
class RawClient {
public:
    explicit RawClient(const std::string& path);
    ~RawClient();
    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    bool Send(std::string_view bytes);
    std::string Receive(std::chrono::milliseconds within, std::size_t want = SIZE_MAX);
    void Close();

private:
    int fd_ = -1;
};

}  // namespace tulex::sim::test
