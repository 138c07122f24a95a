#include "line/Event.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace tulex {

// All events share one lock and one condition variable. The program has a
// handful of events and at most three threads touching them, so a shared lock
// costs nothing and makes "wait for any" trivially correct. Both are never
// destroyed: self-deleting threads may still signal an event while the
// process exits, after static objects would have gone.
struct EventWaiter {
    static std::mutex& Lock() {
        static std::mutex* const m = new std::mutex;
        return *m;
    }
    static std::condition_variable& Cv() {
        static std::condition_variable* const cv = new std::condition_variable;
        return *cv;
    }
    static bool& Flag(Event& e) { return e.signalled_; }
    static bool Flag(const Event& e) { return e.signalled_; }
};

void Event::Set() {
    {
        std::lock_guard lock(EventWaiter::Lock());
        signalled_ = true;
    }
    EventWaiter::Cv().notify_all();
}

void Event::Reset() {
    std::lock_guard lock(EventWaiter::Lock());
    signalled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(EventWaiter::Lock());
    return signalled_;
}

WaitResult WaitForAny(std::span<Event* const> events, std::chrono::milliseconds timeout, Clock& clock) {
    if (events.empty()) return {};
    for (Event* e : events)
        if (e == nullptr) return {};
    const auto deadline = clock.Now() + timeout;
    std::unique_lock lock(EventWaiter::Lock());
    const auto signalled = [&events] {
        return std::any_of(events.begin(), events.end(), [](const Event* e) { return EventWaiter::Flag(*e); });
    };
    clock.WaitUntil(EventWaiter::Cv(), lock, deadline, signalled);
    // The first signalled event wins, also one that raced the time-out; it
    // alone is consumed (auto-reset).
    for (std::size_t i = 0; i < events.size(); ++i) {
        bool& flag = EventWaiter::Flag(*events[i]);
        if (flag) {
            flag = false;
            return {WaitResult::Kind::Signalled, static_cast<int>(i)};
        }
    }
    return {WaitResult::Kind::Timeout, -1};
}

WaitResult WaitForAny(std::initializer_list<Event*> events, std::chrono::milliseconds timeout, Clock& clock) {
    return WaitForAny(std::span<Event* const>(events.begin(), events.size()), timeout, clock);
}

WaitResult WaitFor(Event* event, std::chrono::milliseconds timeout, Clock& clock) {
    return WaitForAny({event}, timeout, clock);
}

}  // namespace tulex
