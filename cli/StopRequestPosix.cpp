#include "cli/StopRequest.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>

namespace tulex::cli {
namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

// The self-pipe: the handler writes a byte (all a handler may do), a thread
// of its own reads it and runs the waker, which may lock. The thread sleeps
// in read() otherwise: no wake-ups while nothing happens.
int g_pipe[2] = {-1, -1};

std::mutex& WakerMutex() {
    static std::mutex* const mutex = new std::mutex;  // outlives the watcher thread
    return *mutex;
}

std::function<void()>& Waker() {
    static auto* const waker = new std::function<void()>;
    return *waker;
}

extern "C" void OnStopSignal(int) {
    g_stopRequested = 1;
    if (g_pipe[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);  // full pipe: a wake is pending anyway
        errno = saved;
    }
}

void WatchStopPipe() {
    char bytes[64];
    for (;;) {
        const ssize_t n = ::read(g_pipe[0], bytes, sizeof bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        std::lock_guard lock(WakerMutex());
        if (Waker()) Waker()();
    }
}

struct SignalHandlers {
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    SignalHandlers() {
        if (::pipe2(g_pipe, O_CLOEXEC) == 0) {
            ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
            try {
                std::thread(WatchStopPipe).detach();
            } catch (...) {
                // No thread: the flag is still set, and the UI loop sees it
                // at its next wake.
            }
        }
        struct sigaction sa {};
        sa.sa_handler = OnStopSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &oldInt);
        sigaction(SIGTERM, &sa, &oldTerm);
    }
    ~SignalHandlers() {
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
    }
};

}  // namespace

void InstallStopHandlers() { static SignalHandlers handlers; }

bool StopRequested() { return g_stopRequested != 0; }

void ClearStopRequest() { g_stopRequested = 0; }

void SetStopWaker(std::function<void()> waker) {
    std::lock_guard lock(WakerMutex());
    Waker() = std::move(waker);
}

}  // namespace tulex::cli
