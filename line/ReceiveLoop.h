#pragma once
// The receive loop: the only reader of the port while it is open. It cuts
// the byte stream into frames (FrameReader) and hands each to the events
// (FrameRouter). It sleeps in the port's wait while the line is idle and
// ends when the port is closed or its device is gone.

#include "line/LineEvents.h"
#include "serial/Port.h"

namespace tulex {

// Runs until the port is closed or the device is gone (then OnPortGone is
// the loop's last call). A frame cut by the close is dropped.
void RunReceiveLoop(Port& port, LineEvents& events);

// How many receive loops are running now (at most one per port; the port's
// lifecycle tests and diagnostics look at it).
int RunningReceiveLoops();

}  // namespace tulex
