#pragma once
// How background threads reach the UI thread. Send runs a function there and
// returns when it has run (a synchronous window message); Post queues it;
// PostAfter queues it to run once a delay has passed (a timer of the UI
// thread), for screen updates kept to the screen's pace.
// Once shutdown has begun Send returns at once without running anything, so
// a thread blocked in Send can never hold up the window's shutdown.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tulex {

class Dispatcher {
public:
    virtual ~Dispatcher() = default;
    // Runs fn on the UI thread and waits for it (directly when called there).
    virtual void Send(std::function<void()> fn) = 0;
    // Queues fn for the UI thread, in order.
    virtual void Post(std::function<void()> fn) = 0;
    // Runs fn on the UI thread once `delay` has passed (any thread). Its
    // order against other work is that of its time.
    virtual void PostAfter(std::chrono::milliseconds delay, std::function<void()> fn) = 0;
    virtual bool IsUiThread() const = 0;
    // From now on Send and Post drop their work; pending Sends return.
    virtual void BeginShutdown() = 0;
};

// A dispatcher whose UI thread is whoever calls ProcessPending/RunFor: the
// main loop of tulex-cli and the tests. While nothing is queued the loop
// sleeps without a time limit of its own (no wake-ups at rest): a condition
// that changes without work being queued must be told with Wake().
class QueueDispatcher final : public Dispatcher {
public:
    // The calling thread becomes the UI thread. recheck: how often RunUntil
    // looks at its condition with nothing queued and nobody waking it; none
    // (tulex-cli) means never. Tests whose conditions change unseen (a count
    // of monitor lines) pass an interval.
    explicit QueueDispatcher(std::optional<std::chrono::milliseconds> recheck = std::nullopt);

    void Send(std::function<void()> fn) override;
    void Post(std::function<void()> fn) override;
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> fn) override;
    bool IsUiThread() const override { return std::this_thread::get_id() == uiThread_; }
    void BeginShutdown() override;

    // Runs everything queued so far, and the delayed work that is due;
    // returns how many functions ran.
    std::size_t ProcessPending();
    // Runs queued work as it comes until pred() holds or the time passes.
    // Returns pred()'s last value.
    bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
    // Runs queued work as it comes for the given time.
    void RunFor(std::chrono::milliseconds duration);
    // Wakes a RunUntil/RunFor so that it re-checks its condition (any
    // thread).
    void Wake();

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Item {
        std::function<void()> fn;
        std::shared_ptr<bool> done;  // set for Send
    };
    struct DelayedItem {
        TimePoint due;
        std::function<void()> fn;
    };
    // Moves the delayed work that is due into the queue (lock held).
    void QueueDueItems(TimePoint now);

    std::thread::id uiThread_;
    const std::optional<std::chrono::milliseconds> recheck_;
    std::mutex mutex_;
    std::condition_variable cv_;      // UI thread waits for work
    std::condition_variable doneCv_;  // senders wait for completion
    std::deque<Item> queue_;
    std::vector<DelayedItem> delayed_;  // in the order they come due
    bool shutdown_ = false;
    bool wake_ = false;
};

}  // namespace tulex
