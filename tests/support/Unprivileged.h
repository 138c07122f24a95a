#pragma once
// Runs part of a test as a user whom a device's permissions keep out. Root
// opens every file whatever its mode, and the tests run as root on CI
// machines: there the part runs in a child process that first becomes the
// user "nobody" (uid and gid 65534, no supplementary groups). Any other user
// runs it in a child process as itself, where a file of mode 000 keeps it out
// just as well.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <functional>

namespace tulex::test {

// The child's exit status when it could not give up root.
inline constexpr int kCannotDropRoot = 125;

// The body's return value is the child's exit status (keep it below 125);
// -1 if the child did not end normally.
inline int RunUnprivileged(const std::function<int()>& body) {
    constexpr uid_t kNobody = 65534;
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(kCannotDropRoot);
        _exit(body());
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tulex::test
