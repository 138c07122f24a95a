#pragma once
// The one loop that runs the virtual line: poll() on the pseudo-terminal,
// the command input and the stop descriptors, with a time-out set to the
// next scheduled instant. Reads what the PC wrote, feeds the line, and
// writes what is due as soon as it is due.

#include "sim/SimEvents.h"
#include "sim/SimLine.h"
#include "sim/SimPty.h"

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

    SimRunner(SimLine& line, SimEvents& events, SimPty& pty);
    ~SimRunner();
    SimRunner(const SimRunner&) = delete;
    SimRunner& operator=(const SimRunner&) = delete;

    // Lines from `fd` go to the handler; end of input ends the run.
    void SetCommandInput(int fd, CommandHandler handler);
    // A descriptor whose readability ends the run (a signalfd).
    void AddStopFd(int fd) { stopFds_.push_back(fd); }

    // Runs until Stop(), a stop descriptor, end of command input or "quit".
    void Run();
    // From any thread.
    void Stop();

    std::uint64_t BytesDropped() const { return dropped_.load(); }

    // Output that the pty does not take is kept while the reader makes
    // progress (a burst at full speed), up to this size; once nothing has
    // been taken for kStallLimit the client does not read, and the backlog
    // is dropped.
    static constexpr std::size_t kPendingLimit = 16u << 20;
    static constexpr Millis kStallLimit{2000};
    // How often a stale exclusive mode is looked for without a close event.
    static constexpr Millis kExclusiveCheck{1000};

private:
    void WritePending(SimTime now);
    void ReadPty(SimTime now, bool hangUp);
    bool ReadCommands();

    SimLine& line_;
    SimEvents& events_;
    SimPty& pty_;
    int wake_ = -1;  // eventfd for Stop()
    int commandFd_ = -1;
    CommandHandler handler_;
    std::string commandBuffer_;
    std::vector<int> stopFds_;
    std::string pending_;
    std::size_t pendingPos_ = 0;
    SimTime lastProgress_{};
    SimTime ptyQuietUntil_{};
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace tulex::sim
