// The Qt dispatcher: Send runs on the GUI thread and waits, Post keeps order,
// PostAfter runs on the GUI thread once its time has come, and shutdown
// releases a sender that waits for a GUI thread that will not
// come back to it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "gui/QtDispatcher.h"

namespace tulex {
namespace {

TEST(QtDispatcher, SendRunsOnTheGuiThreadAndWaits) {
    QtDispatcher dispatcher;
    EXPECT_TRUE(dispatcher.IsUiThread());
    const auto gui = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        EXPECT_FALSE(dispatcher.IsUiThread());
        int value = 0;
        dispatcher.Send([&] {
            ranOn = std::this_thread::get_id();
            value = 42;
        });
        EXPECT_EQ(value, 42);  // ran before Send returned
        returned = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 5000));
    worker.join();
    EXPECT_EQ(ranOn, gui);

    bool direct = false;
    dispatcher.Send([&] { direct = true; });  // on the GUI thread: at once
    EXPECT_TRUE(direct);
}

TEST(QtDispatcher, PostedAndSentWorkRunsInOrder) {
    QtDispatcher dispatcher;
    std::vector<int> order;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) dispatcher.Post([&order, i] { order.push_back(i); });
        dispatcher.Send([&] { order.push_back(50); });
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    worker.join();
    ASSERT_EQ(order.size(), 51u);
    for (int i = 0; i <= 50; ++i) EXPECT_EQ(order[i], i);
}

TEST(QtDispatcher, DelayedWorkRunsOnTheGuiThreadAfterItsDelay) {
    QtDispatcher dispatcher;
    const auto gui = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> ran{false};
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration after{};
    std::thread worker([&] {
        dispatcher.PostAfter(std::chrono::milliseconds(40), [&] {
            ranOn = std::this_thread::get_id();
            after = std::chrono::steady_clock::now() - start;
            ran = true;
        });
    });
    worker.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran.load(); }, 5000));
    EXPECT_EQ(ranOn, gui);
    EXPECT_GE(after, std::chrono::milliseconds(40));

    // Work whose time comes after the shutdown is dropped.
    ran = false;
    dispatcher.PostAfter(std::chrono::milliseconds(20), [&] { ran = true; });
    QApplication::processEvents();  // the GUI thread starts the timer
    dispatcher.BeginShutdown();
    QTest::qWait(60);
    EXPECT_FALSE(ran);
}

TEST(QtDispatcher, ShutdownReleasesABlockedSenderAndDropsItsWork) {
    QtDispatcher dispatcher;
    std::atomic<bool> ran{false};
    std::promise<void> sending;
    std::thread worker([&] {
        sending.set_value();
        dispatcher.Send([&] { ran = true; });  // the GUI thread is not listening
    });
    sending.get_future().wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    dispatcher.BeginShutdown();  // without processing events
    worker.join();               // would hang if the sender stayed blocked
    QApplication::processEvents();
    EXPECT_FALSE(ran);
    dispatcher.Send([&] { ran = true; });
    dispatcher.Post([&] { ran = true; });
    QApplication::processEvents();
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace tulex
