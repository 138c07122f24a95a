// Screen updates at the screen's pace: the dispatcher's delayed work, and a
// PacedUpdate that many fast requests from another thread reach. A run never
// follows the one before sooner than a frame (unless asked to), the first
// after a quiet spell is not held back, and the last run shows the last
// state.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "app/Dispatcher.h"
#include "app/PacedUpdate.h"

namespace tulex {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(QueueDispatcherDelayed, RunsInTheOrderOfItsTimeAndWakesASleepingLoop) {
    QueueDispatcher dispatcher;  // no recheck: only work wakes it
    std::vector<int> order;
    const auto start = Clock::now();
    Clock::time_point ranAt;
    std::thread other([&] {
        dispatcher.PostAfter(60ms, [&] {
            order.push_back(3);
            ranAt = Clock::now();
        });
        dispatcher.PostAfter(20ms, [&] { order.push_back(1); });
        dispatcher.PostAfter(20ms, [&] { order.push_back(2); });  // equal times keep their order
        dispatcher.Post([&] { order.push_back(0); });
    });
    other.join();
    EXPECT_EQ(dispatcher.ProcessPending(), 1u) << "nothing delayed runs before its time";
    EXPECT_TRUE(dispatcher.RunUntil([&] { return order.size() == 4; }, 5s));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_GE(ranAt - start, 60ms);
}

TEST(QueueDispatcherDelayed, ShutdownDropsDelayedWork) {
    QueueDispatcher dispatcher;
    bool ran = false;
    dispatcher.PostAfter(1ms, [&] { ran = true; });
    dispatcher.BeginShutdown();
    dispatcher.PostAfter(0ms, [&] { ran = true; });
    dispatcher.RunFor(30ms);
    EXPECT_FALSE(ran);
}

// Requests from a worker as fast as every 200 µs for a quarter of a second,
// as a search's replies and progress come.
TEST(PacedUpdateTest, AFloodOfRequestsRunsAtMostOnceAFrameAndEndsOnTheLastState) {
    QueueDispatcher dispatcher;
    std::atomic<int> state{0};
    std::vector<Clock::time_point> runs;
    std::vector<int> shown;
    PacedUpdate update(dispatcher, [&] {
        runs.push_back(Clock::now());
        shown.push_back(state.load());
    });
    std::atomic<int> last{0};
    std::thread worker([&] {
        const auto end = Clock::now() + 250ms;
        int i = 0;
        while (Clock::now() < end) {
            state = ++i;
            update.Request();
            std::this_thread::sleep_for(200us);
        }
        last = i;
    });
    dispatcher.RunUntil([&] { return last.load() != 0; }, 60s);
    worker.join();
    dispatcher.RunUntil([&] { return !shown.empty() && shown.back() == last; }, 5s);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), last.load()) << "the last state is shown";
    ASSERT_GE(runs.size(), 2u);
    EXPECT_LT(runs.size(), static_cast<std::size_t>(last / 2)) << "requests were taken in together";
    // The update notes a run's time a moment before the test does: a
    // millisecond of allowance, far below the frame.
    for (std::size_t i = 1; i < runs.size(); ++i)
        EXPECT_GE(runs[i] - runs[i - 1], PacedUpdate::kFrame - 1ms) << "run " << i << " came within a frame";
    for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_GT(shown[i], shown[i - 1]);
}

TEST(PacedUpdateTest, RequestNowDoesNotWaitForTheFrame) {
    QueueDispatcher dispatcher;
    int runs = 0;
    PacedUpdate update(
        dispatcher, [&] { ++runs; }, 10s);  // a frame far longer than the test
    update.Request();
    EXPECT_EQ(dispatcher.ProcessPending(), 1u);  // after a quiet spell: at once
    update.Request();                            // within the frame: held back
    EXPECT_EQ(dispatcher.ProcessPending(), 0u);
    update.Request();  // taken in by the one held back
    update.RequestNow();
    EXPECT_EQ(dispatcher.ProcessPending(), 1u);
    EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace tulex
