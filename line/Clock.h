#pragma once
// The time the command waits run on. The program runs on the steady clock;
// tests inject a clock they move by hand, so that limits of seconds pass at
// once and a time-out happens exactly when the test says so.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tulex {

class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
    // Blocks on cv (lock held, as for condition_variable::wait_until) until
    // it is notified or this clock reaches the deadline. Spurious returns are
    // allowed; the caller re-checks its condition.
    virtual std::cv_status WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                                     TimePoint deadline) = 0;

    // The process's real clock.
    static Clock& Steady();
};

}  // namespace tulex
