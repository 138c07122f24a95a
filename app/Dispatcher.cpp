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

void QueueDispatcher::PostAfter(std::chrono::milliseconds delay, std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    if (shutdown_) return;
    const TimePoint due = std::chrono::steady_clock::now() + delay;
    // After the items due at the same time: equal delays keep their order.
    const auto at = std::upper_bound(delayed_.begin(), delayed_.end(), due,
                                     [](TimePoint t, const DelayedItem& item) { return t < item.due; });
    delayed_.insert(at, {due, std::move(fn)});
    cv_.notify_all();  // a RunUntil sleeping past the new due time wakes for it
}

void QueueDispatcher::QueueDueItems(TimePoint now) {
    auto end = delayed_.begin();
    while (end != delayed_.end() && end->due <= now) {
        queue_.push_back({std::move(end->fn), nullptr});
        ++end;
    }
    delayed_.erase(delayed_.begin(), end);
}

void QueueDispatcher::BeginShutdown() {
    std::lock_guard lock(mutex_);
    shutdown_ = true;
    queue_.clear();
    delayed_.clear();
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
            if (!delayed_.empty()) QueueDueItems(std::chrono::steady_clock::now());
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
        // Sleeps until work, a Wake, delayed work coming due or the
        // deadline; with a recheck interval also until the next look at a
        // condition that changes unseen.
        auto until = recheck_ ? std::min(deadline, std::chrono::steady_clock::now() + *recheck_) : deadline;
        if (!delayed_.empty()) until = std::min(until, delayed_.front().due);
        const std::size_t delayedCount = delayed_.size();
        cv_.wait_until(lock, until, [&] {
            return !queue_.empty() || wake_ || delayed_.size() != delayedCount ||
                   (!delayed_.empty() && delayed_.front().due <= std::chrono::steady_clock::now());
        });
        wake_ = false;
        if (std::chrono::steady_clock::now() >= deadline && queue_.empty() &&
            (delayed_.empty() || delayed_.front().due > deadline)) {
            lock.unlock();
            return pred();
        }
    }
}

void QueueDispatcher::RunFor(std::chrono::milliseconds duration) {
    RunUntil([] { return false; }, duration);
}

}  // namespace tulex
