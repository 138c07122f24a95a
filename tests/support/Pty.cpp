#include "tests/support/Pty.h"

#include "tests/support/FdIo.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <cstdlib>

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
    return ReadFor(master_, within, want, {.waitThroughEnd = true});
}

}  // namespace tulex::test
