#pragma once
// A clock for tests that moves only when the test moves it. The engine's
// command waits run on it, so a limit of seconds passes the moment the test
// advances past it, and never earlier.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "line/Clock.h"

namespace tulex::test {

class ManualClock final : public Clock {
public:
    // Called with the new time each time the clock moves, before the waiters
    // whose deadline passed are woken (the in-memory line delivers what
    // became due first).
    using Listener = std::function<void(TimePoint now)>;

    ManualClock();

    TimePoint Now() const override;
    bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                   const std::function<bool()>& ready) override;

    // Moves the time forward (never back) and wakes every waiter whose
    // deadline is reached.
    void Advance(std::chrono::milliseconds step);
    void AdvanceTo(TimePoint when);
    void SetListener(Listener listener);

    // Threads blocked in WaitUntil right now.
    std::size_t Waiters() const;
    // The earliest deadline of the blocked threads.
    std::optional<TimePoint> NextDeadline() const;
    // How many waits have begun so far; a thread that wakes and waits again
    // counts again.
    std::uint64_t WaitsBegun() const;
    // Waits in real time, at most `within`, until at least n threads are
    // blocked on this clock.
    bool WaitForWaiters(std::size_t n, std::chrono::milliseconds within = std::chrono::seconds(10)) const;

    // True when a blocked thread's condition holds: it was woken (a reply
    // came) and has not run yet, so it does not wait for time alone.
    bool AnyWaiterReady() const;

private:
    struct Waiter {
        std::condition_variable* cv;
        std::mutex* mutex;
        TimePoint deadline;
        const std::function<bool()>* ready;  // evaluated with *mutex held
    };

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;  // a waiter came or went
    TimePoint now_;
    std::vector<Waiter*> waiters_;
    std::uint64_t waitsBegun_ = 0;
    Listener listener_;
    std::mutex advanceMutex_;  // one advance at a time, listener included
};

}  // namespace tulex::test
