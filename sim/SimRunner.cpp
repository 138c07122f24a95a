#include "sim/SimRunner.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace tulex::sim {

SimRunner::SimRunner(SimLine& line, SimEvents& events, SimPty& pty)
    : line_(line), events_(events), pty_(pty), wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SimRunner::~SimRunner() {
    if (wake_ >= 0) ::close(wake_);
}

void SimRunner::SetCommandInput(int fd, CommandHandler handler) {
    commandFd_ = fd;
    handler_ = std::move(handler);
}

void SimRunner::Stop() {
    stop_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

void SimRunner::WritePending(SimTime now) {
    if (pendingPos_ == pending_.size()) lastProgress_ = now;
    while (pendingPos_ < pending_.size()) {
        const ssize_t n = ::write(pty_.MasterFd(), pending_.data() + pendingPos_, pending_.size() - pendingPos_);
        if (n > 0) {
            pendingPos_ += static_cast<std::size_t>(n);
            lastProgress_ = now;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // EAGAIN: the terminal's queue is full; POLLOUT resumes
        }
    }
    if (pendingPos_ < pending_.size() && now - lastProgress_ > kStallLimit) {
        dropped_ += pending_.size() - pendingPos_;
        pendingPos_ = pending_.size();
    }
    if (pendingPos_ == pending_.size()) {
        pending_.clear();
        pendingPos_ = 0;
    } else if (pendingPos_ > (1u << 20)) {
        pending_.erase(0, pendingPos_);
        pendingPos_ = 0;
    }
}

void SimRunner::ReadPty(SimTime now, bool hangUp) {
    char buf[4096];
    bool any = false;
    // A few reads per wake-up: enough to drain a burst, short enough to
    // answer what came first without delay.
    for (int i = 0; i < 16; ++i) {
        const ssize_t n = ::read(pty_.MasterFd(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        any = true;
        line_.Feed(std::string_view(buf, static_cast<std::size_t>(n)), now);
        if (static_cast<std::size_t>(n) < sizeof buf) break;
    }
    // A hang-up with nothing to read must not turn the loop into a spin.
    if (hangUp && !any) ptyQuietUntil_ = now + Millis(50);
}

bool SimRunner::ReadCommands() {
    char buf[4096];
    const ssize_t n = ::read(commandFd_, buf, sizeof buf);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    if (n == 0) {
        // A last line without its line feed still counts.
        if (!commandBuffer_.empty() && handler_) handler_(commandBuffer_);
        commandBuffer_.clear();
        return false;
    }
    commandBuffer_.append(buf, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t eol; (eol = commandBuffer_.find('\n', start)) != std::string::npos; start = eol + 1) {
        std::string_view lineText(commandBuffer_.data() + start, eol - start);
        if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
        if (handler_ && !handler_(lineText)) return false;
    }
    commandBuffer_.erase(0, start);
    // A "line" that never ends is not a command: do not hoard it.
    if (commandBuffer_.size() > 65536) commandBuffer_.clear();
    return true;
}

void SimRunner::Run() {
    SimTime nextExclusiveCheck = SimClock::now();
    int quickChecks = 0;
    // Client comings and goings; after a close, look for a stale exclusive
    // mode at once and again shortly (the close is announced a moment
    // before the client's lock is released).
    auto watch = [&] {
        if (pty_.HandleWatchEvents()) {
            nextExclusiveCheck = SimClock::now();
            quickChecks = 3;
        }
    };
    // Nobody has the port open: what we wrote must not wait there for the
    // next client. The events are read first, so that nothing meant for a
    // client that has just opened the port is thrown away.
    auto discardUnread = [&] {
        if (pty_.HasClient()) return;
        watch();
        if (!pty_.HasClient()) pty_.DiscardInput();
    };
    while (!stop_) {
        SimTime now = SimClock::now();
        events_.Advance(now);
        line_.Advance(now);
        std::string out = line_.TakeOutput(now);
        if (!out.empty()) {
            if (pending_.size() - pendingPos_ + out.size() > kPendingLimit)
                dropped_ += out.size();
            else
                pending_ += out;
        }
        WritePending(now);
        discardUnread();
        if (now >= nextExclusiveCheck) {
            pty_.ReleaseStaleExclusive();
            nextExclusiveCheck = now + (quickChecks > 0 ? Millis(5) : kExclusiveCheck);
            if (quickChecks > 0) --quickChecks;
        }

        std::optional<SimTime> next = line_.NextDue();
        auto consider = [&next](SimTime t) {
            if (!next || t < *next) next = t;
        };
        if (const auto e = events_.NextDue()) consider(*e);
        consider(nextExclusiveCheck);
        // While output waits for the reader, wake up in time to notice a stall.
        if (!pending_.empty()) consider(lastProgress_ + kStallLimit + Millis(1));
        const bool ptyQuiet = now < ptyQuietUntil_;
        if (ptyQuiet) consider(ptyQuietUntil_);

        struct pollfd fds[8];
        nfds_t count = 0;
        const nfds_t ptyIndex = count;
        fds[count++] = {pty_.MasterFd(), static_cast<short>((ptyQuiet ? 0 : POLLIN) | (pending_.empty() ? 0 : POLLOUT)),
                        0};
        fds[count++] = {wake_, POLLIN, 0};
        const nfds_t watchIndex = count;
        fds[count++] = {pty_.WatchFd(), POLLIN, 0};  // -1 is ignored by poll
        const nfds_t slaveIndex = count;
        fds[count++] = {pty_.HasClient() ? -1 : pty_.SlaveFd(), POLLIN, 0};
        const nfds_t commandIndex = count;
        fds[count++] = {commandFd_, POLLIN, 0};
        const nfds_t stopIndex = count;
        for (const int fd : stopFds_)
            if (count < 8) fds[count++] = {fd, POLLIN, 0};

        struct timespec timeout {};
        const auto left = std::max<SimClock::duration>(SimClock::duration::zero(), *next - SimClock::now());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        const int ready = ::ppoll(fds, count, &timeout, nullptr);
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (ready == 0) continue;
        for (nfds_t i = stopIndex; i < count; ++i)
            if (fds[i].revents) stop_ = true;
        if (stop_) break;
        if (fds[watchIndex].revents) watch();
        if (fds[slaveIndex].revents) discardUnread();
        if (fds[ptyIndex].revents & (POLLIN | POLLHUP | POLLERR))
            ReadPty(SimClock::now(), (fds[ptyIndex].revents & (POLLHUP | POLLERR)) != 0);
        if (commandFd_ >= 0 && (fds[commandIndex].revents & (POLLIN | POLLHUP | POLLERR))) {
            if (!ReadCommands()) stop_ = true;
        }
    }
    WritePending(SimClock::now());
}

}  // namespace tulex::sim
