#include "gui/QtDispatcher.h"

#include <QMetaObject>
#include <QTimer>

#include <memory>

namespace tulex {

QtDispatcher::QtDispatcher() : uiThread_(std::this_thread::get_id()) {}

QtDispatcher::~QtDispatcher() { BeginShutdown(); }

bool QtDispatcher::ShuttingDown() const {
    std::lock_guard lock(mutex_);
    return shutdown_;
}

void QtDispatcher::Send(std::function<void()> fn) {
    if (IsUiThread()) {
        if (!ShuttingDown()) fn();
        return;
    }
    auto done = std::make_shared<bool>(false);
    {
        std::lock_guard lock(mutex_);
        if (shutdown_) return;
    }
    QMetaObject::invokeMethod(
        &context_,
        [this, done, fn = std::move(fn)] {
            // On the GUI thread, like BeginShutdown: the check and the run
            // cannot interleave with it.
            if (!ShuttingDown()) fn();
            std::lock_guard lock(mutex_);
            *done = true;
            done_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return *done || shutdown_; });
}

void QtDispatcher::Post(std::function<void()> fn) {
    if (ShuttingDown()) return;
    QMetaObject::invokeMethod(
        &context_,
        [this, fn = std::move(fn)] {
            if (!ShuttingDown()) fn();
        },
        Qt::QueuedConnection);
}

void QtDispatcher::PostAfter(std::chrono::milliseconds delay, std::function<void()> fn) {
    // A timer belongs to the thread that starts it: the GUI thread starts it.
    Post([this, delay, fn = std::move(fn)]() mutable {
        QTimer::singleShot(delay, &context_, [this, fn = std::move(fn)] {
            if (!ShuttingDown()) fn();
        });
    });
}

void QtDispatcher::BeginShutdown() {
    std::lock_guard lock(mutex_);
    shutdown_ = true;
    done_.notify_all();
}

}  // namespace tulex
