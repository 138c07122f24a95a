#include "line/Event.h"
#include "line/EventSet.h"

#include <gtest/gtest.h>

#include <thread>

namespace tulex {
namespace {

using namespace std::chrono_literals;

TEST(Event, LowestSignalledWinsAndOnlyItIsConsumed) {
    Event a, b, c;
    c.Set();
    b.Set();
    auto r = WaitForAny({&a, &b, &c}, 0ms);
    EXPECT_TRUE(r.is(1));
    EXPECT_FALSE(b.IsSet());
    EXPECT_TRUE(c.IsSet());
    r = WaitForAny({&a, &b, &c}, 0ms);
    EXPECT_TRUE(r.is(2));
    EXPECT_TRUE(WaitForAny({&a, &b, &c}, 0ms).timedOut());
}

TEST(Event, AutoResetConsumesOneSignal) {
    Event e;
    e.Set();
    e.Set();  // a second signal before the wait does not count twice
    EXPECT_TRUE(WaitFor(&e, 0ms).is(0));
    EXPECT_TRUE(WaitFor(&e, 0ms).timedOut());
}

TEST(Event, TimeoutAndFailureAreDistinct) {
    Event e;
    const auto start = std::chrono::steady_clock::now();
    const auto r = WaitFor(&e, 30ms);
    EXPECT_TRUE(r.timedOut());
    EXPECT_FALSE(r.failed());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);

    EXPECT_TRUE(WaitForAny({&e, nullptr}, 10ms).failed());
    EXPECT_TRUE(WaitForAny(std::span<Event* const>{}, 10ms).failed());
}

TEST(Event, SignalDuringTheWaitWakesIt) {
    Event a, b;
    std::thread t([&] {
        std::this_thread::sleep_for(20ms);
        b.Set();
    });
    const auto r = WaitForAny({&a, &b}, 5000ms);
    t.join();
    EXPECT_TRUE(r.is(1));
    EXPECT_FALSE(b.IsSet());
}

TEST(Event, ResetClears) {
    Event e;
    e.Set();
    e.Reset();
    EXPECT_TRUE(WaitFor(&e, 0ms).timedOut());
}

enum class Id { First, Second };

TEST(EventSet, AnAbandonedSetFailsItsWaitsEvenWithRepliesThereUntilRenewed) {
    EventSet<2> set;
    set.Create({Id::First, Id::Second});
    set.Signal(static_cast<std::size_t>(Id::First));
    set.Abandon();
    EXPECT_TRUE(set.WaitForFirst({Id::First}, 0ms, Clock::Steady()).failed());
    EXPECT_TRUE(set.WaitForFirst({Id::Second}, 5000ms, Clock::Steady()).failed()) << "every later wait too";
    set.Renew();
    const WaitResult r = set.WaitForFirst({Id::Second, Id::First}, 0ms, Clock::Steady());
    EXPECT_TRUE(r.is(1)) << "the reply that came is still there; indexes point into the list";
}

TEST(EventSet, AbandonWakesTheRunningWait) {
    EventSet<2> set;
    set.Create({Id::First});
    std::thread closer([&] {
        std::this_thread::sleep_for(20ms);
        set.Abandon();
    });
    const WaitResult r = set.WaitForFirst({Id::First}, 60000ms, Clock::Steady());
    closer.join();
    EXPECT_TRUE(r.failed());
}

}  // namespace
}  // namespace tulex
