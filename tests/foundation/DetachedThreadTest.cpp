#include "line/DetachedThread.h"

#include "line/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tulex {
namespace {

using namespace std::chrono_literals;

TEST(DetachedThread, SelfDeletingRunsWithItsUserData) {
    Event done;
    std::atomic<int> seen{0};
    ASSERT_TRUE(DetachedThread::Run(
        [&](std::int32_t data) {
            seen = data;
            done.Set();
            return 0;
        },
        42));
    ASSERT_TRUE(WaitFor(&done, 5000ms).signalled());
    EXPECT_EQ(seen.load(), 42);
    // ASan/LSan prove the object frees itself; give the thread time to end.
    std::this_thread::sleep_for(10ms);
}

TEST(DetachedThread, FunctionThatReturnsAtOnceLeavesNothingBehind) {
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(DetachedThread::Run([](std::int32_t) { return 0; }));
    std::this_thread::sleep_for(50ms);
}

TEST(DetachedThread, TwoStartsAreIndependent) {
    Event first, second, release, firstDone;
    ASSERT_TRUE(DetachedThread::Run([&](std::int32_t) {
        first.Set();
        WaitFor(&release, 5000ms);
        firstDone.Set();  // its last touch of this test's events
        return 0;
    }));
    ASSERT_TRUE(DetachedThread::Run([&](std::int32_t) {
        second.Set();
        return 0;
    }));
    // The second runs while the first is still blocked.
    EXPECT_TRUE(WaitFor(&second, 5000ms).signalled());
    EXPECT_TRUE(WaitFor(&first, 5000ms).signalled());
    EXPECT_FALSE(firstDone.IsSet());
    release.Set();
    EXPECT_TRUE(WaitFor(&firstDone, 5000ms).signalled());
}

TEST(DetachedThread, OwnedObjectKeepsExitCodeAndCannotStartTwice) {
    DetachedThread t(false);
    ASSERT_TRUE(t.Start([](std::int32_t d) { return d + 1; }, 6));
    EXPECT_FALSE(t.Start([](std::int32_t) { return 0; }));
    t.Join();
    EXPECT_EQ(t.exitCode(), 7);
}

TEST(DetachedThread, ExceptionDoesNotCrossTheThread) {
    DetachedThread t(false);
    ASSERT_TRUE(t.Start([](std::int32_t) -> std::int32_t { throw 1; }));
    t.Join();
    EXPECT_EQ(t.exitCode(), -1);
}

}  // namespace
}  // namespace tulex
