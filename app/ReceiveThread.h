#pragma once
// The receive thread: the only reader of the port while it is open. It cuts
// the byte stream into frames (line/FrameReader), writes each to the monitor
// (or a word for it), keeps the line map's two sets and the status counters
// up to date, wakes the worker that waits for a reply, hands card and sensor
// events to their pop-ups and sends the automatic answers.
//
// It never waits for the UI thread (pop-ups and counters are Posted), so
// closing the port can wait for it. It sleeps in the port's wait while the
// line is idle. When the device goes away (a USB converter pulled out) it
// ends and asks the UI thread to close the port and tell the operator.

#include <string>
#include <string_view>

#include "line/FrameReader.h"

namespace tulex {

class LineSession;

// Runs until the port is closed or the device is gone; returns 0.
int RunReceiveThread(LineSession& session);

// Routes one completed frame: monitor line first, then the map and its
// counters, then the events, the automatic answers and the pop-ups.
// Called by the receive thread for every frame the reader completes.
void RouteFrame(LineSession& session, const FrameReader& frame);

// How many receive threads are inside RunReceiveThread now (at most one;
// the port's lifecycle tests and diagnostics look at it).
int RunningReceiveThreads();

}  // namespace tulex
