#include "tests/support/RunOnLine.h"

#include <algorithm>

namespace tulex::test {

using namespace std::chrono_literals;

namespace {

// What moved in the engine. Equal snapshots around an idle check mean no
// thread did anything in between.
struct Activity {
    std::uint64_t waitsBegun = 0;
    std::size_t waiters = 0;
    std::uint64_t bytesRead = 0;
    std::size_t written = 0;
    bool operator==(const Activity&) const = default;
};

Activity Snapshot(const ManualClock& clock, const VirtualLine& line) {
    return {clock.WaitsBegun(), clock.Waiters(), line.BytesRead(), line.Written().size()};
}

}  // namespace

bool WaitsOnlyForTime(const ManualClock& clock, const VirtualLine& line) {
    const Activity before = Snapshot(clock, line);
    if (before.waiters == 0 || !line.ReaderIdle()) return false;
    // A wait whose deadline the clock reached has been woken and is about to
    // run; so has one whose reply the receive thread signalled.
    if (const auto next = clock.NextDeadline(); next && *next <= clock.Now()) return false;
    if (clock.AnyWaiterReady()) return false;
    // Nothing began, ended or moved on the line while the checks ran.
    return line.ReaderIdle() && Snapshot(clock, line) == before;
}

bool RunOnLine(QueueDispatcher& dispatcher, ManualClock& clock, const VirtualLine& line,
               const std::function<bool()>& pred, std::chrono::milliseconds within) {
    const auto giveUp = std::chrono::steady_clock::now() + within;
    for (;;) {
        const bool ranSomething = dispatcher.ProcessPending() != 0;
        if (pred()) return true;
        if (std::chrono::steady_clock::now() > giveUp) return false;
        if (!ranSomething && WaitsOnlyForTime(clock, line)) {
            // The engine may have settled since pred was asked: a state in
            // which pred holds is never skipped by moving the clock.
            if (pred()) return true;
            auto next = clock.NextDeadline();
            if (const auto due = line.NextDue(); due && (!next || *due < *next)) next = due;
            if (next) {
                clock.AdvanceTo(std::max(*next, clock.Now() + 1ms));
                continue;
            }
        }
        dispatcher.RunFor(1ms);
    }
}

}  // namespace tulex::test
