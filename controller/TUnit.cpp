#include "controller/TUnit.h"

namespace tulex {

namespace {
constexpr const char* kInformation = "Информация";
}

void TUnit::ShowWaiting() {
    balloonTitle = kInformation;
    balloonText = "Ожидание ответа...";
    balloonColour = kWaitingColour;
}

void TUnit::ShowSuccess(const std::string& text) {
    balloonTitle = kInformation;
    balloonText = text;
    balloonColour = kSuccessColour;
}

void TUnit::ShowFailure(const std::string& text) {
    balloonTitle = kInformation;
    balloonText = text;
    balloonColour = kFailureColour;
}

void TUnit::ShowReport(const std::string& title, const std::string& text) {
    balloonTitle = title;
    balloonText = text;
    balloonColour = kReportColour;
}

void TUnit::SetReplyData(std::string data) {
    std::lock_guard lock(mutex_);
    replyData_ = std::move(data);
}

std::string TUnit::ReplyData() const {
    std::lock_guard lock(mutex_);
    return replyData_;
}

void TUnit::ClearReplyData() {
    std::lock_guard lock(mutex_);
    replyData_.clear();
}

}  // namespace tulex
