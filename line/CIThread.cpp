#include "line/CIThread.h"

#include <memory>
#include <system_error>

namespace tulex {

CIThread::~CIThread() {
    // Only an owned object (autoDelete false) keeps its thread; it is joined
    // so that no thread outlives the object it runs on.
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

bool CIThread::Start(Function threadFunction, std::int32_t userData) {
    if (started_ || !threadFunction) return false;
    started_ = true;
    threadFunction_ = std::move(threadFunction);
    userData_ = userData;
    try {
        if (autoDelete_) {
            // The new thread may finish and free this object at once, so
            // nothing of the object is touched after the thread exists.
            std::thread(&CIThread::Entry, this).detach();
        } else {
            thread_ = std::thread(&CIThread::Entry, this);
        }
    } catch (const std::system_error&) {
        threadFunction_ = nullptr;
        started_ = false;
        return false;
    }
    return true;
}

bool CIThread::Run(Function threadFunction, std::int32_t userData) {
    auto thread = std::make_unique<CIThread>(true);
    if (!thread->Start(std::move(threadFunction), userData)) return false;
    thread.release();  // the thread owns itself now
    return true;
}

void CIThread::Entry(CIThread* self) {
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
