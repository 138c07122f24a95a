#pragma once
// The operator's way to stop a command that runs until stopped ("Закрыть",
// "Остановить"): SIGINT or SIGTERM on Linux; Ctrl+C, Ctrl+Break or closing
// the console window on Windows. The request is a flag that the UI loop
// looks at; the request also wakes the loop (the UI loop sleeps without a
// time limit while nothing happens).

#include <functional>

namespace tulex::cli {

// Installs the handlers once for the life of the process.
void InstallStopHandlers();

// True once a stop was requested since the last ClearStopRequest.
bool StopRequested();
void ClearStopRequest();

// Called when a stop is requested, on a thread other than the UI thread:
// the one the system delivers it on (Windows), or the one that reads the
// signal handler's self-pipe (Linux: a handler may not lock). Null removes
// it.
void SetStopWaker(std::function<void()> waker);

}  // namespace tulex::cli
