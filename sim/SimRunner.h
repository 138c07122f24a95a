#pragma once
// The one loop that runs the virtual line: poll() on the pseudo-terminal,
// the command input and the stop descriptors, with a time-out set to the
// next scheduled instant. Reads what the PC wrote, feeds the line, and
// writes what is due as soon as it is due.

#include "sim/SimEvents.h"
#include "sim/SimLine.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tulex::sim {

class SimRunner {
public:
    // Returns false to end the run ("quit").
    using CommandHandler = std::function<bool(std::string_view line)>;

    SimRunner(SimLine& line, SimEvents& events, int ptyFd);
    ~SimRunner();
    SimRunner(const SimRunner&) = delete;
    SimRunner& operator=(const SimRunner&) = delete;

    // Lines from `fd` go to the handler; end of input ends the run.
    void SetCommandInput(int fd, CommandHandler handler);
    // A descriptor whose readability ends the run (a signalfd).
    void AddStopFd(int fd) { stopFds_.push_back(fd); }
    // Called about every `periodMs` (exclusive-mode clean-up of the pty),
    // and a few times in quick succession after `triggerFd` became readable
    // (`drain` empties it).
    void SetHousekeeping(std::function<void()> fn, int periodMs, int triggerFd = -1,
                         std::function<void()> drain = {});

    // Runs until Stop(), a stop descriptor, end of command input or "quit".
    void Run();
    // From any thread.
    void Stop();

    std::uint64_t BytesDropped() const { return dropped_.load(); }
    std::uint64_t BytesRead() const { return read_.load(); }

    // Output that the pty does not take is kept up to this size, then dropped
    // (nobody reads the line).
    static constexpr std::size_t kPendingLimit = 16u << 20;

private:
    void WritePending();
    void ReadPty(SimTime now, bool hangUp);
    bool ReadCommands();

    SimLine& line_;
    SimEvents& events_;
    int pty_;
    int wake_ = -1;  // eventfd for Stop()
    int commandFd_ = -1;
    CommandHandler handler_;
    std::string commandBuffer_;
    std::vector<int> stopFds_;
    std::function<void()> housekeeping_;
    int housekeepingMs_ = 0;
    int triggerFd_ = -1;
    std::function<void()> drainTrigger_;
    int quickChecks_ = 0;
    std::string pending_;
    std::size_t pendingPos_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::uint64_t> read_{0};
    SimTime ptyQuietUntil_{};
};

}  // namespace tulex::sim
