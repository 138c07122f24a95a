#include "converter/ConverterTransaction.h"

#include "converter/ConverterReport.h"

namespace tulex {

ConverterReply ConverterTransaction::Wait(std::initializer_list<ConverterReply> replies,
                                          std::chrono::milliseconds limit) {
    const WaitResult result = events_.WaitForFirst(replies, limit, clock_);
    if (result.timedOut()) return ConverterReply::Timeout;
    if (result.failed()) return ConverterReply::Failed;
    return *(replies.begin() + result.index);
}

void ConverterTransaction::AppendReply(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    reply_.append(bytes);
}

std::string ConverterTransaction::ReplyData() const {
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
