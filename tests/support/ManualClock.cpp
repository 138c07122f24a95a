#include "tests/support/ManualClock.h"

#include <algorithm>

namespace tulex::test {

// Far from the steady clock's epoch, so that "now minus a limit" never
// underflows.
ManualClock::ManualClock() : now_(TimePoint{} + std::chrono::hours(24)) {}

Clock::TimePoint ManualClock::Now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

bool ManualClock::WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, TimePoint deadline,
                            const std::function<bool()>& ready) {
    if (ready()) return true;
    Waiter self{&cv, lock.mutex(), deadline, &ready};
    {
        // Registered under the same lock that checks the deadline: an advance
        // that comes later finds the waiter, and it cannot notify before the
        // waiter sleeps because it takes the waiter's mutex first.
        std::lock_guard guard(mutex_);
        if (now_ >= deadline) return false;
        waiters_.push_back(&self);
        ++waitsBegun_;
    }
    changed_.notify_all();
    for (;;) {
        cv.wait(lock);
        if (ready()) break;
        std::lock_guard guard(mutex_);
        if (now_ >= deadline) break;
    }
    {
        std::lock_guard guard(mutex_);
        std::erase(waiters_, &self);
    }
    changed_.notify_all();
    return ready();
}

void ManualClock::Advance(std::chrono::milliseconds step) { AdvanceTo(Now() + step); }

void ManualClock::AdvanceTo(TimePoint when) {
    std::lock_guard serial(advanceMutex_);
    Listener listener;
    {
        std::lock_guard guard(mutex_);
        if (when <= now_) return;
        now_ = when;
        listener = listener_;
    }
    if (listener) listener(when);
    // The waiters' condition variables and mutexes, not the waiters: a
    // waiter may leave (its record goes with its stack) before it is
    // notified. Notifying a waiter that already left is harmless.
    std::vector<std::pair<std::condition_variable*, std::mutex*>> due;
    {
        std::lock_guard guard(mutex_);
        for (const Waiter* w : waiters_)
            if (w->deadline <= when) due.emplace_back(w->cv, w->mutex);
    }
    // Never under the clock's mutex: a waiter holds its own mutex while it
    // takes the clock's. Holding the waiter's mutex while notifying means
    // the waiter is inside its wait, so the wake-up is not lost.
    for (const auto& [cv, mutex] : due) {
        std::lock_guard guard(*mutex);
        cv->notify_all();
    }
}

void ManualClock::SetListener(Listener listener) {
    std::lock_guard serial(advanceMutex_);
    std::lock_guard guard(mutex_);
    listener_ = std::move(listener);
}

std::size_t ManualClock::Waiters() const {
    std::lock_guard guard(mutex_);
    return waiters_.size();
}

std::optional<Clock::TimePoint> ManualClock::NextDeadline() const {
    std::lock_guard guard(mutex_);
    std::optional<TimePoint> next;
    for (const Waiter* w : waiters_)
        if (!next || w->deadline < *next) next = w->deadline;
    return next;
}

std::uint64_t ManualClock::WaitsBegun() const {
    std::lock_guard guard(mutex_);
    return waitsBegun_;
}

bool ManualClock::WaitForWaiters(std::size_t n, std::chrono::milliseconds within) const {
    std::unique_lock guard(mutex_);
    return changed_.wait_for(guard, within, [&] { return waiters_.size() >= n; });
}

bool ManualClock::AnyWaiterReady() const {
    std::vector<std::mutex*> mutexes;
    {
        std::lock_guard guard(mutex_);
        for (const Waiter* w : waiters_)
            if (std::find(mutexes.begin(), mutexes.end(), w->mutex) == mutexes.end()) mutexes.push_back(w->mutex);
    }
    // A waiter's condition is read under its own mutex. Holding it, no
    // waiter under it can leave its wait, so their records stay valid; the
    // order (the waiter's mutex, then the clock's) is the waiters' own.
    for (std::mutex* m : mutexes) {
        std::lock_guard waiterLock(*m);
        std::lock_guard guard(mutex_);
        for (const Waiter* w : waiters_)
            if (w->mutex == m && (*w->ready)()) return true;
    }
    return false;
}

}  // namespace tulex::test
