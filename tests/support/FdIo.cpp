#include "tests/support/FdIo.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include <thread>

namespace tulex::test {

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            struct pollfd p {
                fd, POLLOUT, 0
            };
            ::poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

std::string ReadFor(int fd, std::chrono::milliseconds within, std::size_t want, ReadMode mode) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (out.size() < want) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        struct pollfd p {
            fd, POLLIN, 0
        };
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[65536];
        const std::size_t room = mode.neverPastWant ? std::min(sizeof buf, want - out.size()) : sizeof buf;
        const ssize_t n = ::read(fd, buf, room);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        } else if (mode.waitThroughEnd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));  // poll reports the end at once
        } else {
            break;
        }
    }
    return out;
}

int WaitForExit(pid_t pid, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace tulex::test
