#include "converter/ConverterTransaction.h"

#include "converter/ConverterReport.h"

namespace tulex {

void ConverterTransaction::CreateEvents() { CreateEvents({kEvent1, kEvent2, kDataEvent}); }

void ConverterTransaction::AppendReply(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    reply_.append(bytes);
}

std::string ConverterTransaction::Reply() const {
    std::lock_guard lock(mutex_);
    return reply_;
}

void ConverterTransaction::ClearReply() {
    std::lock_guard lock(mutex_);
    reply_.clear();
}

std::string ConverterTransaction::Report() {
    std::string reply;
    {
        std::lock_guard lock(mutex_);
        reply.swap(reply_);
    }
    return BuildConverterReport(reply);
}

}  // namespace tulex
