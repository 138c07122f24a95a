#include "converter/TConv.h"

namespace tulex {

void TConv::CreateEvents() {
    std::lock_guard lock(mutex_);
    for (int id = 0; id < kEventCount; ++id) {
        events_[id].Reset();
        exists_[id] = true;
    }
}

void TConv::CloseEvents() {
    std::lock_guard lock(mutex_);
    for (int id = 0; id < kEventCount; ++id) {
        exists_[id] = false;
        events_[id].Reset();
    }
}

void TConv::Signal(EventId id) {
    std::lock_guard lock(mutex_);
    if (exists_[id]) events_[id].Set();
}

Event* TConv::EventFor(EventId id) {
    std::lock_guard lock(mutex_);
    return exists_[id] ? &events_[id] : nullptr;
}

void TConv::AppendReply(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    reply_.append(bytes);
}

std::string TConv::Reply() const {
    std::lock_guard lock(mutex_);
    return reply_;
}

void TConv::ClearReply() {
    std::lock_guard lock(mutex_);
    reply_.clear();
}

}  // namespace tulex
