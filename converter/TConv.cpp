#include "converter/TConv.h"

#include "converter/ConverterReport.h"

namespace tulex {

void TConv::CreateEvents() { CreateEvents({kEvent1, kEvent2, kDataEvent}); }

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
