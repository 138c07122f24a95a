#include "line/Clock.h"

namespace tulex {
namespace {

class SteadyClock final : public Clock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
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
