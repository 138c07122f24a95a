#include "sim/SimPty.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tulex::sim {

namespace {

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

void MakeRaw(int fd) {
    struct termios t {};
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

SimPty::~SimPty() { Close(); }

void SimPty::Close() {
    for (int* fd : {&watch_, &slave_, &master_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    clients_ = 0;
    countKnown_ = true;
    slavePath_.clear();
}

bool SimPty::Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) {
        error = ErrnoText("posix_openpt");
        return false;
    }
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        error = ErrnoText("pseudo-terminal set-up");
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
        error = ErrnoText("open " + slavePath_);
        return false;
    }
    // Raw on both sides: no echo, no line editing, no CR/LF translation, so
    // every byte crosses unchanged until the client sets its own modes.
    MakeRaw(master_);
    MakeRaw(slave_);
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(watch_);
        watch_ = -1;
    }
    return true;
}

bool SimPty::HandleWatchEvents() {
    bool closed = false;
    alignas(struct inotify_event) char buf[4096];
    for (;;) {
        const ssize_t n = watch_ >= 0 ? ::read(watch_, buf, sizeof buf) : -1;
        if (n <= 0) break;
        for (ssize_t pos = 0; pos + static_cast<ssize_t>(sizeof(struct inotify_event)) <= n;) {
            const auto* e = reinterpret_cast<const struct inotify_event*>(buf + pos);
            // Our own descriptor was opened before the watch existed, so
            // every open seen here is a client's.
            if (e->mask & IN_OPEN) ++clients_;
            if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                clients_ = clients_ > 0 ? clients_ - 1 : 0;
                closed = true;
            }
            if (e->mask & IN_Q_OVERFLOW) countKnown_ = false;  // assume a client from now on
            pos += static_cast<ssize_t>(sizeof(struct inotify_event) + e->len);
        }
    }
    return closed;
}

void SimPty::DiscardInput() {
    char buf[4096];
    while (slave_ >= 0 && ::read(slave_, buf, sizeof buf) > 0) {
    }
}

void SimPty::ReleaseStaleExclusive() {
    if (slave_ < 0) return;
#ifdef TIOCGEXCL
    int exclusive = 0;
    if (ioctl(slave_, TIOCGEXCL, &exclusive) != 0 || !exclusive) return;
    // A client that opened the port holds its lock for as long as it has it
    // open; if we can take the lock, the client is gone.
    if (flock(slave_, LOCK_EX | LOCK_NB) != 0) return;
    ioctl(slave_, TIOCNXCL);
    flock(slave_, LOCK_UN);
#endif
}

bool Announcement::Announce(const std::string& target, const std::string& directory, std::string& error) {
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        error = ErrnoText("mkdir " + directory);
        return false;
    }
    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = directory + ": not a directory";
        return false;
    }
    for (int n = 1; n < 10000; ++n) {
        const std::string name = "SIM" + std::to_string(n);
        const std::string link = directory + "/" + name;
        struct stat ls {};
        if (::lstat(link.c_str(), &ls) == 0) {
            struct stat ts {};
            // Taken while its target exists; a stale link is ours to replace.
            if (!S_ISLNK(ls.st_mode) || ::stat(link.c_str(), &ts) == 0) continue;
            if (::unlink(link.c_str()) != 0 && errno != ENOENT) continue;
        }
        // symlink() fails with EEXIST if another simulator took the name
        // between our look and now: then try the next one.
        if (::symlink(target.c_str(), link.c_str()) == 0) {
            shortName_ = name;
            linkPath_ = link;
            target_ = target;
            return true;
        }
        if (errno != EEXIST) {
            error = ErrnoText("symlink " + link);
            return false;
        }
    }
    error = "no free SIMn name in " + directory;
    return false;
}

void Announcement::Withdraw() {
    if (linkPath_.empty()) return;
    ::unlink(linkPath_.c_str());
}

bool Announcement::Repoint(const std::string& target, std::string& error) {
    if (linkPath_.empty()) {
        error = "no announcement to repoint";
        return false;
    }
    const std::string temporary = linkPath_ + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), linkPath_.c_str()) != 0) {
        error = ErrnoText("symlink " + linkPath_);
        ::unlink(temporary.c_str());
        return false;
    }
    target_ = target;
    return true;
}

void Announcement::Remove() {
    if (linkPath_.empty()) return;
    char buf[4096];
    const ssize_t n = ::readlink(linkPath_.c_str(), buf, sizeof buf - 1);
    if (n >= 0 && std::string(buf, static_cast<std::size_t>(n)) == target_) ::unlink(linkPath_.c_str());
    linkPath_.clear();
    shortName_.clear();
}

}  // namespace tulex::sim
