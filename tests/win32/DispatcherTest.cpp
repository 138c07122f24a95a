// The Win32 dispatcher on the thread that pumps its messages: Post keeps
// order, PostAfter runs once its time has come (a timer of the message
// window), and work due after the shutdown is dropped.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "win32/Win32Dispatcher.h"

namespace tulex::win32 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Pumps this thread's messages until pred() holds or the time is up.
bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!pred()) {
        if (Clock::now() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    return true;
}

TEST(Win32Dispatcher, DelayedWorkRunsAfterItsDelayBehindEarlierWork) {
    Win32Dispatcher dispatcher;
    std::vector<int> order;
    const auto start = Clock::now();
    Clock::duration after{};
    std::thread worker([&] {
        dispatcher.PostAfter(40ms, [&] {
            order.push_back(2);
            after = Clock::now() - start;
        });
        dispatcher.Post([&] { order.push_back(1); });
    });
    worker.join();
    EXPECT_TRUE(PumpUntil([&] { return order.size() == 2; }, 5000ms));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_GE(after, 40ms);
}

TEST(Win32Dispatcher, DelayedWorkDueAfterTheShutdownIsDropped) {
    Win32Dispatcher dispatcher;
    bool ran = false;
    dispatcher.PostAfter(20ms, [&] { ran = true; });
    PumpUntil([] { return false; }, 5ms);  // the UI thread sets the timer
    dispatcher.BeginShutdown();
    PumpUntil([] { return false; }, 80ms);
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace tulex::win32
