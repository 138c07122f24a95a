#include "cli/StopRequest.h"

#include <csignal>

namespace tulex::cli {
namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void OnStopSignal(int) { g_stopRequested = 1; }

struct SignalHandlers {
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    SignalHandlers() {
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

void SetStopWaker(std::function<void()>) {}

}  // namespace tulex::cli
