#include "cli/StopRequest.h"

#include <windows.h>

#include <atomic>
#include <mutex>

namespace tulex::cli {
namespace {

std::atomic<bool> g_stopRequested{false};

std::mutex& WakerMutex() {
    static std::mutex* const mutex = new std::mutex;  // outlives every handler call
    return *mutex;
}

std::function<void()>& Waker() {
    static auto* const waker = new std::function<void()>;
    return *waker;
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleControl(DWORD event) {
    g_stopRequested = true;
    try {
        std::lock_guard lock(WakerMutex());
        if (Waker()) Waker()();
    } catch (...) {
        // The flag is set; the UI loop notices it on its next look.
    }
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // The process ends when this handler returns: give the command the
        // time to close the port and end on its own first (the system allows
        // about five seconds).
        Sleep(4500);
    }
    return TRUE;
}

}  // namespace

void InstallStopHandlers() {
    static const bool installed = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
    (void)installed;
}

bool StopRequested() { return g_stopRequested; }

void ClearStopRequest() { g_stopRequested = false; }

void SetStopWaker(std::function<void()> waker) {
    std::lock_guard lock(WakerMutex());
    Waker() = std::move(waker);
}

}  // namespace tulex::cli
