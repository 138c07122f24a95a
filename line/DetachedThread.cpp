#include "line/DetachedThread.h"

#include <memory>
#include <system_error>

namespace tulex {

DetachedThread::~DetachedThread() {
    // Only an owned object (autoDelete false) keeps its thread; it is joined
    // so that no thread outlives the object it runs on.
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

bool DetachedThread::Start(Function threadFunction, std::int32_t userData) {
    if (started_ || !threadFunction) return false;
    started_ = true;
    threadFunction_ = std::move(threadFunction);
    userData_ = userData;
    try {
        if (autoDelete_) {
            // The new thread may finish and free this object at once, so
            // nothing of the object is touched after the thread exists.
            std::thread(&DetachedThread::Entry, this).detach();
        } else {
            thread_ = std::thread(&DetachedThread::Entry, this);
        }
    } catch (const std::system_error&) {
        threadFunction_ = nullptr;
        started_ = false;
        return false;
    }
    return true;
}

bool DetachedThread::Run(Function threadFunction, std::int32_t userData) {
    auto thread = std::make_unique<DetachedThread>(true);
    if (!thread->Start(std::move(threadFunction), userData)) return false;
    thread.release();  // the thread owns itself now
    return true;
}

void DetachedThread::Entry(DetachedThread* self) {
    const bool autoDelete = self->autoDelete_;
    std::int32_t result = 0;
    try {
        result = self->threadFunction_(self->userData_);
    } catch (...) {
        // No exception may cross a thread: a failing function ends with -1.
        result = -1;
    }
    self->exitCode_ = result;
    if (autoDelete) delete self;
}

}  // namespace tulex
