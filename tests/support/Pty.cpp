#include "tests/support/Pty.h"

#include "tests/support/FdIo.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tulex::test {

Pty::Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) return;
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        HangUp();
        return;
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        HangUp();
        return;
    }
    slavePath_ = name;
    struct termios t {};
    if (tcgetattr(master_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
    }
}

Pty::~Pty() { HangUp(); }

void Pty::HangUp() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

bool Pty::Send(std::string_view bytes) { return WriteAll(master_, bytes); }

std::string Pty::Receive(std::chrono::milliseconds within, std::size_t want) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (out.size() < want) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        struct pollfd p {master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) out.append(buf, static_cast<std::size_t>(n));
        else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            // EIO while no slave is open: nothing more can come.
            struct timespec ts {0, 1000000};
            nanosleep(&ts, nullptr);
        }
    }
    return out;
}

}  // namespace tulex::test
