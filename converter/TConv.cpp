#include "converter/TConv.h"

#include "converter/ConverterReport.h"

namespace tulex {

void TConv::CreateEvents() { CreateEvents({kEvent1, kEvent2, kDataEvent}); }

void TConv::CreateEvents(std::initializer_list<EventId> ids) {
    std::lock_guard lock(mutex_);
    for (const EventId id : ids) {
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

bool TConv::EventExists(EventId id) const {
    std::lock_guard lock(mutex_);
    return exists_[id];
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

std::string TConv::Report() {
    std::string reply;
    {
        std::lock_guard lock(mutex_);
        reply.swap(reply_);
    }
    return BuildConverterReport(reply);
}

}  // namespace tulex
