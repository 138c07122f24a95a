#pragma once
// The time the command waits run on. The program runs on the steady clock;
// tests inject a clock they move by hand, so that limits of seconds pass at
// once and a time-out happens exactly when the test says so.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace tulex {

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
    // Now() read cheaply, a few milliseconds behind at most: for times shown
    // to the millisecond (when a controller was last heard), never for an
    // interval that is measured. The receive thread reads it once a frame.
    virtual TimePoint CoarseNow() const { return Now(); }
    // Blocks on cv (lock held, as condition_variable::wait_until with a
    // predicate) until `ready` holds or this clock reaches the deadline, and
    // returns ready(). `ready` runs with the lock held, at once and each time
    // cv is notified; it must not use the clock. A clock that knows the
    // condition can tell a waiter that is due to wake from one that waits
    // for time alone.
    virtual bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                           const std::function<bool()>& ready) = 0;

    // The process's real clock.
    static Clock& Steady();
};

}  // namespace tulex
