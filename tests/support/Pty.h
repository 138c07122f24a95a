#pragma once
// A pseudo-terminal pair for tests: the test plays the line on the master
// side while the code under test opens the slave path as its port.

#include <chrono>
#include <string>
#include <string_view>

namespace tulex::test {

class Pty {
public:
    Pty();  // raw, non-blocking master; check ok()
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // Writes all bytes to the line side.
    bool Send(std::string_view bytes);
    // Reads what arrived within the time (stops early once `want` bytes came).
    std::string Receive(std::chrono::milliseconds within, std::size_t want = SIZE_MAX);
    // Closes the master: the slave side sees a hang-up.
    void HangUp();

private:
    int master_ = -1;
    std::string slavePath_;
};

}  // namespace tulex::test
