#include "app/Dispatcher.h"

#include <algorithm>
#include <memory>

namespace tulex {

QueueDispatcher::QueueDispatcher(std::optional<std::chrono::milliseconds> recheck)
    : uiThread_(std::this_thread::get_id()), recheck_(recheck) {}

void QueueDispatcher::Send(std::function<void()> fn) {
    if (IsUiThread()) {
        fn();
        return;
    }
    auto done = std::make_shared<bool>(false);
    std::unique_lock lock(mutex_);
    if (shutdown_) return;
    queue_.push_back({std::move(fn), done});
    cv_.notify_all();
    doneCv_.wait(lock, [&] { return *done || shutdown_; });
}

void QueueDispatcher::Post(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    if (shutdown_) return;
    queue_.push_back({std::move(fn), nullptr});
    cv_.notify_all();
}

void QueueDispatcher::BeginShutdown() {
    std::lock_guard lock(mutex_);
    shutdown_ = true;
    queue_.clear();
    cv_.notify_all();
    doneCv_.notify_all();
}

void QueueDispatcher::Wake() {
    std::lock_guard lock(mutex_);
    wake_ = true;
    cv_.notify_all();
}

std::size_t QueueDispatcher::ProcessPending() {
    std::size_t ran = 0;
    for (;;) {
        Item item;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return ran;
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        item.fn();
        ++ran;
        if (item.done) {
            std::lock_guard lock(mutex_);
            *item.done = true;
            doneCv_.notify_all();
        }
    }
}

bool QueueDispatcher::RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        ProcessPending();
        if (pred()) return true;
        std::unique_lock lock(mutex_);
        if (!queue_.empty()) continue;
        if (wake_) {
            wake_ = false;
            continue;
        }
        // Sleeps until work, a Wake or the deadline; with a recheck interval
        // also until the next look at a condition that changes unseen.
        const auto until = recheck_ ? std::min(deadline, std::chrono::steady_clock::now() + *recheck_) : deadline;
        cv_.wait_until(lock, until, [this] { return !queue_.empty() || wake_; });
        wake_ = false;
        if (std::chrono::steady_clock::now() >= deadline && queue_.empty()) {
            lock.unlock();
            return pred();
        }
    }
}

void QueueDispatcher::RunFor(std::chrono::milliseconds duration) {
    RunUntil([] { return false; }, duration);
}

}  // namespace tulex
