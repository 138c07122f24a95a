#pragma once
// The wrapper through which every background thread is started. It runs one
// function on a new thread; with autoDelete it frees itself when the function
// returns, so nothing ever has to join or delete it from outside.
//
// Callers that must know when a thread has ended (closing the port waits for
// the receive thread) signal that from inside their function.

#include <cstdint>
#include <functional>
#include <thread>

namespace tulex {

class DetachedThread {
public:
    using Function = std::function<std::int32_t(std::int32_t)>;

    explicit DetachedThread(bool autoDelete) : autoDelete_(autoDelete) {}
    ~DetachedThread();
    DetachedThread(const DetachedThread&) = delete;
    DetachedThread& operator=(const DetachedThread&) = delete;

    // Starts the function on a new thread with userData as its argument.
    // Returns false (and starts nothing) if the system refuses a thread or
    // the object was already started.
    bool Start(Function threadFunction, std::int32_t userData = 0);

    // Convenience: a heap object with autoDelete that frees itself.
    static bool Run(Function threadFunction, std::int32_t userData = 0);

    // Valid for an owned object after its thread ended.
    std::int32_t exitCode() const { return exitCode_; }
    // Waits for an owned object's thread (no effect with autoDelete).
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    static void Entry(DetachedThread* self);

    Function threadFunction_;
    bool autoDelete_ = false;
    std::int32_t exitCode_ = 0;
    std::int32_t userData_ = 0;
    bool started_ = false;
    std::thread thread_;  // only for owned objects
};

}  // namespace tulex
