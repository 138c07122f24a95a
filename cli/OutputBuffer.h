#pragma once
// tulex-cli's output in large pieces: the --monitor file and standard output
// are written through an OutputBuffer each, so that a busy line costs a write
// call per 64 KiB instead of one per line, and a FlushTimer writes what is
// waiting once the line goes quiet, at the latest 100 ms after it came. The
// session flushes at every end as well (the time passed, a signal, the port
// lost, an error), so nothing seen is missing from the file.
//
//   OutputBuffer file([&](std::string_view bytes) { return saveFile.Write(bytes); });
//   FlushTimer timer([&] { file.Flush(); });
//   file.SetOnAppend([&] { timer.Appended(); });
//   file.Append(line);       // any thread; writes at once only when 64 KiB wait
//   ...
//   file.Flush();            // at the end
//
// Bytes go out in the order they were appended, in whole appends.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace tulex::cli {

class OutputBuffer {
public:
    // Writes every byte given; false when they could not all be written.
    using Writer = std::function<bool(std::string_view bytes)>;

    static constexpr std::size_t kWriteBytes = 64 * 1024;

    explicit OutputBuffer(Writer writer);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Called after every append (with no lock held): the flush timer's
    // Appended. Set before the first append.
    void SetOnAppend(std::function<void()> onAppend);

    // Appends what fill(std::string&) appends to the string it is given, in
    // one piece. Once kWriteBytes wait, they are written before this
    // returns. False once a write has failed (now or before): from then on
    // nothing more is kept or tried.
    template <typename Fill>
    bool AppendWith(Fill&& fill) {
        bool full = false;
        {
            std::lock_guard lock(mutex_);
            if (failed_) return false;
            fill(pending_);
            full = pending_.size() >= kWriteBytes;
        }
        if (onAppend_) onAppend_();
        return full ? Flush() : !Failed();
    }
    bool Append(std::string_view bytes) {
        return AppendWith([bytes](std::string& out) { out.append(bytes); });
    }

    // Writes what waits; false once a write has failed.
    bool Flush();
    bool Failed() const;
    // True when nothing waits to be written.
    bool Empty() const;

private:
    const Writer writer_;
    std::function<void()> onAppend_;
    std::mutex writeMutex_;  // one writer at a time, in the order of the appends
    mutable std::mutex mutex_;
    std::string pending_;
    std::string writing_;  // the piece being written (kept for its capacity)
    bool failed_ = false;
};

// Runs a flush on a thread of its own once the appends have paused for
// kQuiet, or kLatest after the first append that is still unwritten, as
// long as appends come. It sleeps without a time limit while nothing was
// appended: no wake-ups at rest.
class FlushTimer {
public:
    static constexpr std::chrono::milliseconds kQuiet{20};
    static constexpr std::chrono::milliseconds kLatest{100};

    explicit FlushTimer(std::function<void()> flush);
    ~FlushTimer();  // stops the thread (after a flush that is running); does not flush
    FlushTimer(const FlushTimer&) = delete;
    FlushTimer& operator=(const FlushTimer&) = delete;

    // Something was appended (any thread; cheap).
    void Appended();

private:
    void Run();

    const std::function<void()> flush_;
    std::atomic<std::uint64_t> appends_{0};
    std::atomic<bool> pending_{false};
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace tulex::cli
