#pragma once
// A screen update that follows a fast-changing state at the screen's pace:
// any thread asks for it, the UI thread runs it, at most once a frame. The
// first request after a quiet spell runs at once; requests that come sooner
// than a frame after the last run are taken in by one run when the frame is
// over. Each run shows the state as it is then, so nothing asked for is
// lost, and one run is on its way at a time. A search's 182 replies then wake
// the UI thread some 15 times rather than 182, and the worker's next request
// does not wait behind the screen.

#include <atomic>
#include <chrono>
#include <functional>

#include "app/Dispatcher.h"

namespace tulex {

class PacedUpdate {
public:
    // About a frame of a 60 Hz screen.
    static constexpr std::chrono::milliseconds kFrame{16};

    PacedUpdate(Dispatcher& dispatcher, std::function<void()> apply, std::chrono::milliseconds frame = kFrame);

    // Asks for a run (any thread).
    void Request();
    // Asks for a run without waiting for the frame's end: for the last state
    // of a spell (a cleared progress), which must not trail behind what
    // follows it.
    void RequestNow();

private:
    using Clock = std::chrono::steady_clock;
    void Queue(bool now);

    // The owner outlives the runs it queued: it shuts the dispatcher down
    // (which drops them) before it goes.
    Dispatcher& dispatcher_;
    const std::function<void()> apply_;
    const std::chrono::milliseconds frame_;
    std::atomic<bool> queued_{false};
    std::atomic<Clock::rep> lastRun_{0};  // the last run's start, time_since_epoch
};

}  // namespace tulex
