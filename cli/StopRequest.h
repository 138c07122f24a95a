#pragma once
// The operator's way to stop a command that runs until stopped ("Закрыть",
// "Остановить"): SIGINT or SIGTERM on Linux; Ctrl+C, Ctrl+Break or closing
// the console window on Windows. The request is a flag that the UI loop
// looks at; where the platform allows it, the request also wakes the loop.

#include <functional>

namespace tulex::cli {

// Installs the handlers once for the life of the process.
void InstallStopHandlers();

// True once a stop was requested since the last ClearStopRequest.
bool StopRequested();
void ClearStopRequest();

// Called when a stop is requested, from the thread the system delivers it
// on (Windows); null removes it. Linux delivers a signal in a handler that
// may not lock, so there the UI loop notices the flag on its next look.
void SetStopWaker(std::function<void()> waker);

}  // namespace tulex::cli
