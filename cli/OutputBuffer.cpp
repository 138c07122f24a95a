#include "cli/OutputBuffer.h"

#include <algorithm>

namespace tulex::cli {

OutputBuffer::OutputBuffer(Writer writer) : writer_(std::move(writer)) {}

void OutputBuffer::SetOnAppend(std::function<void()> onAppend) { onAppend_ = std::move(onAppend); }

bool OutputBuffer::Flush() {
    // Taken before the bytes are: whoever takes them writes them before the
    // next one takes more, so the file keeps the order of the appends.
    std::lock_guard writeLock(writeMutex_);
    {
        std::lock_guard lock(mutex_);
        if (failed_) return false;
        if (pending_.empty()) return true;
        writing_.swap(pending_);
    }
    const bool ok = writer_(writing_);
    writing_.clear();
    if (!ok) {
        std::lock_guard lock(mutex_);
        failed_ = true;
        pending_ = std::string();
        writing_ = std::string();
    }
    return ok;
}

bool OutputBuffer::Failed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

bool OutputBuffer::Empty() const {
    std::lock_guard lock(mutex_);
    return pending_.empty();
}

FlushTimer::FlushTimer(std::function<void()> flush) : flush_(std::move(flush)), thread_([this] { Run(); }) {}

FlushTimer::~FlushTimer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void FlushTimer::Appended() {
    appends_.fetch_add(1, std::memory_order_relaxed);
    if (pending_.load() || pending_.exchange(true)) return;
    std::lock_guard lock(mutex_);
    cv_.notify_all();
}

void FlushTimer::Run() {
    using Steady = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return stop_ || pending_.load(); });
        if (stop_) return;
        // Appends came: wait until they pause for kQuiet, or kLatest passed.
        const auto latest = Steady::now() + kLatest;
        std::uint64_t seen = appends_.load(std::memory_order_relaxed);
        for (;;) {
            const auto until = std::min(latest, Steady::now() + kQuiet);
            if (cv_.wait_until(lock, until, [this] { return stop_; })) return;
            const std::uint64_t now = appends_.load(std::memory_order_relaxed);
            if (now == seen || Steady::now() >= latest) break;
            seen = now;
        }
        // Cleared before the flush: what is appended from here on asks again.
        pending_ = false;
        lock.unlock();
        flush_();
        lock.lock();
    }
}

}  // namespace tulex::cli
