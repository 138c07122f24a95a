#pragma once
// Auto-reset events and a wait for any of several of them, with the semantics
// the workers rely on: the lowest signalled index wins and only that event is
// consumed; a time-out and a failure are distinct results.

#include <chrono>
#include <initializer_list>
#include <memory>
#include <span>

#include "line/Clock.h"

namespace tulex {

class Event {
public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // Signals the event; it stays signalled until one wait consumes it.
    void Set();
    // Clears the event without waking anyone.
    void Reset();
    // Non-blocking peek used by tests and diagnostics.
    bool IsSet() const;

private:
    friend struct EventWaiter;
    bool signalled_ = false;  // guarded by the shared event lock
};

struct WaitResult {
    enum class Kind { Signalled, Timeout, Failed };
    Kind kind = Kind::Failed;
    int index = -1;  // which event, when kind is Signalled

    bool signalled() const { return kind == Kind::Signalled; }
    bool timedOut() const { return kind == Kind::Timeout; }
    bool failed() const { return kind == Kind::Failed; }
    bool is(int i) const { return kind == Kind::Signalled && index == i; }
};

// Waits until one of the events is signalled or the time passes. A null
// pointer or an empty list fails at once, as a wait on an invalid handle does.
// The time is the given clock's (the steady clock unless a test injects one).
WaitResult WaitForAny(std::span<Event* const> events, std::chrono::milliseconds timeout,
                      Clock& clock = Clock::Steady());
WaitResult WaitForAny(std::initializer_list<Event*> events, std::chrono::milliseconds timeout,
                      Clock& clock = Clock::Steady());
WaitResult WaitFor(Event* event, std::chrono::milliseconds timeout, Clock& clock = Clock::Steady());

}  // namespace tulex
