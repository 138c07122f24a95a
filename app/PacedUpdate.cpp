#include "app/PacedUpdate.h"

namespace tulex {

PacedUpdate::PacedUpdate(Dispatcher& dispatcher, std::function<void()> apply, std::chrono::milliseconds frame)
    : dispatcher_(dispatcher), apply_(std::move(apply)), frame_(frame) {}

void PacedUpdate::Request() {
    if (queued_.exchange(true)) return;  // the run on its way shows this change too
    Queue(false);
}

void PacedUpdate::RequestNow() {
    queued_ = true;
    Queue(true);
}

void PacedUpdate::Queue(bool now) {
    // The run notes its time, then clears the flag (a request that finds
    // the flag clear finds the time too), then looks at the state: a change
    // after that look asks again.
    auto run = [this] {
        lastRun_ = Clock::now().time_since_epoch().count();
        queued_ = false;
        apply_();
    };
    const Clock::duration sinceLast = Clock::now().time_since_epoch() - Clock::duration(lastRun_.load());
    if (now || sinceLast >= frame_)
        dispatcher_.Post(std::move(run));
    else
        dispatcher_.PostAfter(std::chrono::ceil<std::chrono::milliseconds>(frame_ - sinceLast), std::move(run));
}

}  // namespace tulex
