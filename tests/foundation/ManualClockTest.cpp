// The manual clock the engine tests run on: waits end exactly when the test
// moves the time past their deadline, and a wake-up is never lost.

#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "line/Event.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

// A wait for one event on the clock, in its own thread.
std::future<WaitResult> WaitInThread(Event& event, std::chrono::milliseconds limit, ManualClock& clock) {
    return std::async(std::launch::async, [&event, limit, &clock] { return WaitFor(&event, limit, clock); });
}

bool Finished(std::future<WaitResult>& f) { return f.wait_for(10s) == std::future_status::ready; }

TEST(ManualClock, TimeMovesOnlyForwardAndOnlyWhenAdvanced) {
    ManualClock clock;
    const auto start = clock.Now();
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(clock.Now(), start);
    clock.Advance(1500ms);
    EXPECT_EQ(clock.Now(), start + 1500ms);
    clock.AdvanceTo(start);  // backwards: ignored
    EXPECT_EQ(clock.Now(), start + 1500ms);
}

TEST(ManualClock, AWaitTimesOutWhenTheClockPassesItsDeadlineAndNotBefore) {
    ManualClock clock;
    Event event;
    auto waiting = WaitInThread(event, 3s, clock);
    ASSERT_TRUE(clock.WaitForWaiters(1));
    EXPECT_EQ(clock.NextDeadline(), clock.Now() + 3s);

    clock.Advance(2999ms);
    // Still blocked: a signal now must win. Had the advance woken the wait
    // early, it would have ended in a time-out.
    std::this_thread::sleep_for(20ms);
    ASSERT_EQ(clock.Waiters(), 1u);
    clock.Advance(1ms);
    ASSERT_TRUE(Finished(waiting));
    EXPECT_TRUE(waiting.get().timedOut());
    EXPECT_EQ(clock.Waiters(), 0u);
}

TEST(ManualClock, ASignalEndsTheWaitWithoutTimePassing) {
    ManualClock clock;
    Event event;
    auto waiting = WaitInThread(event, 3s, clock);
    ASSERT_TRUE(clock.WaitForWaiters(1));
    event.Set();
    ASSERT_TRUE(Finished(waiting));
    EXPECT_TRUE(waiting.get().is(0));
}

TEST(ManualClock, AnExpiredDeadlineReturnsAtOnce) {
    ManualClock clock;
    Event event;
    EXPECT_TRUE(WaitFor(&event, 0ms, clock).timedOut());
    EXPECT_EQ(clock.WaitsBegun(), 0u);  // it never blocked
}

TEST(ManualClock, AnAdvanceWakesOnlyTheWaitsItReaches) {
    ManualClock clock;
    Event first, second;
    auto early = WaitInThread(first, 1s, clock);
    auto late = WaitInThread(second, 5s, clock);
    ASSERT_TRUE(clock.WaitForWaiters(2));
    const auto start = clock.Now();

    clock.Advance(1s);
    ASSERT_TRUE(Finished(early));
    EXPECT_TRUE(early.get().timedOut());
    EXPECT_EQ(clock.Waiters(), 1u);
    EXPECT_EQ(clock.NextDeadline(), start + 5s);

    second.Set();
    ASSERT_TRUE(Finished(late));
    EXPECT_TRUE(late.get().is(0));
}

TEST(ManualClock, AnAdvanceRacingTheStartOfAWaitIsNotLost) {
    // The advance may come while the waiter is between its deadline check
    // and its sleep; a lost wake-up leaves the waiter blocked for good. The
    // deadline is fixed before the thread starts, so every advance reaches it.
    ManualClock clock;
    for (int round = 0; round < 300; ++round) {
        const auto deadline = clock.Now() + 1ms;
        auto waiting = std::async(std::launch::async, [&clock, deadline] {
            std::mutex mutex;
            std::condition_variable cv;
            std::unique_lock lock(mutex);
            EXPECT_FALSE(clock.WaitUntil(cv, lock, deadline, [] { return false; }));
        });
        clock.AdvanceTo(deadline);
        ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready) << "round " << round;
    }
}

TEST(ManualClock, TheListenerRunsBeforeTheWaitersWake) {
    // The in-memory line delivers what became due in the listener; a reply
    // due by the deadline must beat the time-out.
    ManualClock clock;
    Event reply;
    Clock::TimePoint seen{};
    clock.SetListener([&](Clock::TimePoint now) {
        seen = now;
        reply.Set();
    });
    auto waiting = WaitInThread(reply, 3s, clock);
    ASSERT_TRUE(clock.WaitForWaiters(1));
    clock.Advance(3s);
    ASSERT_TRUE(Finished(waiting));
    EXPECT_TRUE(waiting.get().is(0));
    EXPECT_EQ(seen, clock.Now());
}

TEST(ManualClock, WaitForWaitersGivesUpAfterItsLimit) {
    ManualClock clock;
    EXPECT_FALSE(clock.WaitForWaiters(1, 10ms));
}

TEST(ManualClock, AWaiterWhoseConditionHoldsIsReadyUntilItRuns) {
    // The condition comes true without a notification: the waiter sleeps on,
    // but it no longer waits for time alone.
    ManualClock clock;
    std::mutex mutex;
    std::condition_variable cv;
    bool reply = false;
    auto waiting = std::async(std::launch::async, [&] {
        std::unique_lock lock(mutex);
        return clock.WaitUntil(cv, lock, clock.Now() + 1s, [&] { return reply; });
    });
    ASSERT_TRUE(clock.WaitForWaiters(1));
    EXPECT_FALSE(clock.AnyWaiterReady());
    {
        std::lock_guard lock(mutex);
        reply = true;
    }
    EXPECT_TRUE(clock.AnyWaiterReady());
    EXPECT_EQ(clock.Waiters(), 1u);
    cv.notify_all();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(waiting.get()) << "woken by its condition, not by the time";
    EXPECT_FALSE(clock.AnyWaiterReady());
}

TEST(ManualClock, AConditionThatAlreadyHoldsNeverBlocks) {
    ManualClock clock;
    std::mutex mutex;
    std::condition_variable cv;
    std::unique_lock lock(mutex);
    EXPECT_TRUE(clock.WaitUntil(cv, lock, clock.Now() + 1s, [] { return true; }));
    EXPECT_EQ(clock.WaitsBegun(), 0u);
}

}  // namespace
}  // namespace tulex::test
