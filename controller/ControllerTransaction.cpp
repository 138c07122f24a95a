#include "controller/ControllerTransaction.h"

#include "display/Captions.h"

namespace tulex {

Reply ControllerTransaction::Wait(std::initializer_list<Reply> replies, std::chrono::milliseconds limit) {
    const WaitResult result = events_.WaitForFirst(replies, limit, clock_);
    if (result.timedOut()) return Reply::Timeout;
    if (result.failed()) return Reply::Failed;
    return *(replies.begin() + result.index);
}

void ControllerTransaction::ShowWaiting() {
    balloonTitle = kCaptionInformation;
    balloonText = "Ожидание ответа...";
    balloonColour = kWaitingColour;
}

void ControllerTransaction::ShowSuccess(const std::string& text) {
    balloonTitle = kCaptionInformation;
    balloonText = text;
    balloonColour = kSuccessColour;
}

void ControllerTransaction::ShowFailure(const std::string& text) {
    balloonTitle = kCaptionInformation;
    balloonText = text;
    balloonColour = kFailureColour;
}

void ControllerTransaction::ShowReport(const std::string& title, const std::string& text) {
    balloonTitle = title;
    balloonText = text;
    balloonColour = kReportColour;
}

void ControllerTransaction::SetReplyData(std::string data) {
    std::lock_guard lock(mutex_);
    replyData_ = std::move(data);
}

std::string ControllerTransaction::ReplyData() const {
    std::lock_guard lock(mutex_);
    return replyData_;
}

void ControllerTransaction::ClearReplyData() {
    std::lock_guard lock(mutex_);
    replyData_.clear();
}

}  // namespace tulex
