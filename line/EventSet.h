#pragma once
// Events that exist only while a command runs: its worker creates those it
// waits on (fresh, not signalled) and closes them all at its end. A signal to
// an event that does not exist is lost, as a reply that arrives outside a
// command must be, and a wait on one fails. When the port closes under a
// command, the set is abandoned: the running wait and every later one fail
// at once, so the command ends without waiting out its limits.

#include <array>
#include <chrono>
#include <cstddef>
#include <initializer_list>
#include <mutex>
#include <span>

#include "line/Event.h"

namespace tulex {

template <std::size_t N>
class EventSet {
public:
    template <typename Id>
    void Create(std::initializer_list<Id> ids) {
        std::lock_guard lock(mutex_);
        for (const Id id : ids) {
            const auto i = static_cast<std::size_t>(id);
            events_[i].Reset();
            exists_[i] = true;
        }
    }
    void CloseAll() {
        std::lock_guard lock(mutex_);
        for (std::size_t id = 0; id < N; ++id) {
            exists_[id] = false;
            events_[id].Reset();
        }
    }
    // The port closed: wakes the running wait and fails it and every later
    // one, until Renew.
    void Abandon() {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        abandon_.Set();
    }
    // The port opened again: waits work as before.
    void Renew() {
        std::lock_guard lock(mutex_);
        abandoned_ = false;
        abandon_.Reset();
    }
    bool Abandoned() const {
        std::lock_guard lock(mutex_);
        return abandoned_;
    }
    // Signals the event if it exists (receive thread, Stop button).
    void Signal(std::size_t id) {
        std::lock_guard lock(mutex_);
        if (exists_[id]) events_[id].Set();
    }
    // The event to wait on, or null if it does not exist.
    Event* Get(std::size_t id) {
        std::lock_guard lock(mutex_);
        return exists_[id] ? &events_[id] : nullptr;
    }
    bool Exists(std::size_t id) const {
        std::lock_guard lock(mutex_);
        return exists_[id];
    }
    // True when the event exists and is signalled; consumes nothing.
    bool IsSet(std::size_t id) const {
        std::lock_guard lock(mutex_);
        return exists_[id] && events_[id].IsSet();
    }
    // Waits until one of the events is signalled, at most `limit` on the
    // clock. When several are, the first in `ids` wins; the result's index
    // points into `ids`. An event that does not exist fails the wait, and so
    // does an abandoned set.
    template <typename Id>
    WaitResult WaitForFirst(std::initializer_list<Id> ids, std::chrono::milliseconds limit, Clock& clock) {
        // The abandon event goes first, so it wins over any reply.
        std::array<Event*, N + 1> waited{&abandon_};
        std::size_t count = 1;
        {
            std::lock_guard lock(mutex_);
            if (abandoned_) return {};
            for (const Id id : ids) {
                const auto i = static_cast<std::size_t>(id);
                if (count == N + 1 || i >= N) return {};
                waited[count++] = exists_[i] ? &events_[i] : nullptr;
            }
        }
        WaitResult result = WaitForAny(std::span<Event* const>(waited.data(), count), limit, clock);
        if (result.signalled()) {
            if (result.index == 0) return {};
            --result.index;
        }
        return result;
    }

private:
    mutable std::mutex mutex_;
    std::array<Event, N> events_;
    std::array<bool, N> exists_{};
    Event abandon_;
    bool abandoned_ = false;
};

}  // namespace tulex
