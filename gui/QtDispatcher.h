#pragma once
// The Dispatcher on the Qt GUI thread. Send from another thread queues the
// function with QMetaObject::invokeMethod and waits until it has run; on the
// GUI thread it runs at once. The wait is our own (not a blocking queued
// connection) so that BeginShutdown can release every waiting sender: a
// worker blocked in Send never holds up the window's shutdown. A function
// whose sender was released is not run any more, so nothing it captured by
// reference is touched after the sender went on.

#include <QObject>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/Dispatcher.h"

namespace tulex {

class QtDispatcher final : public Dispatcher {
public:
    // Must be constructed on the GUI thread.
    QtDispatcher();
    ~QtDispatcher() override;

    void Send(std::function<void()> fn) override;
    void Post(std::function<void()> fn) override;
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> fn) override;
    bool IsUiThread() const override { return std::this_thread::get_id() == uiThread_; }
    void BeginShutdown() override;
    bool ShuttingDown() const;

private:
    std::thread::id uiThread_;
    QObject context_;  // lives on the GUI thread; queued calls run in its thread
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool shutdown_ = false;
};

}  // namespace tulex
