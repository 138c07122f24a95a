#include "line/Clock.h"

#if defined(__linux__)
#include <time.h>
#endif

namespace tulex {
namespace {

class SteadyClock final : public Clock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
#if defined(__linux__)
    // The steady clock is CLOCK_MONOTONIC here; its coarse twin counts from
    // the same start, costs a tenth as much and lags by a tick at most.
    TimePoint CoarseNow() const override {
        timespec t{};
        if (clock_gettime(CLOCK_MONOTONIC_COARSE, &t) != 0) return Now();
        return TimePoint(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
    }
#endif
    bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                   const std::function<bool()>& ready) override {
        return cv.wait_until(lock, deadline, [&ready] { return ready(); });
    }
};

}  // namespace

Clock& Clock::Steady() {
    // Never destroyed: self-deleting threads may still wait while the
    // process exits.
    static SteadyClock* const clock = new SteadyClock;
    return *clock;
}

}  // namespace tulex
