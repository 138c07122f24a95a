#pragma once
// Runs the engine on the in-memory line as fast as it can go: the test thread
// is the UI thread and runs what the other threads queue for it, and
// whenever the engine has nothing left to do but wait for time to pass, the
// manual clock jumps to the next instant something happens (a wait's
// deadline or the line's next frame).

#include <chrono>
#include <functional>

#include "app/Dispatcher.h"
#include "tests/support/ManualClock.h"
#include "tests/support/VirtualLine.h"

namespace tulex::test {

// Until pred holds (true) or `within` of real time passed (false).
bool RunOnLine(QueueDispatcher& dispatcher, ManualClock& clock, const VirtualLine& line,
               const std::function<bool()>& pred, std::chrono::milliseconds within = std::chrono::seconds(20));

// True when the engine only waits for the clock: a thread is blocked on it,
// the receive thread has routed every byte delivered, and no blocked
// thread's condition holds (none was woken by those bytes without having run
// yet).
bool WaitsOnlyForTime(const ManualClock& clock, const VirtualLine& line);

}  // namespace tulex::test
