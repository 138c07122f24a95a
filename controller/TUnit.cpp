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

void TUnit::CreateEvents(std::initializer_list<EventId> ids) {
    std::lock_guard lock(mutex_);
    for (const EventId id : ids) {
        events_[id].Reset();
        exists_[id] = true;
    }
}

void TUnit::CloseEvents() {
    std::lock_guard lock(mutex_);
    for (int id = 0; id < kEventCount; ++id) {
        exists_[id] = false;
        events_[id].Reset();
    }
}

void TUnit::Signal(EventId id) {
    std::lock_guard lock(mutex_);
    if (exists_[id]) events_[id].Set();
}

Event* TUnit::EventFor(EventId id) {
    std::lock_guard lock(mutex_);
    return exists_[id] ? &events_[id] : nullptr;
}

bool TUnit::EventExists(EventId id) const {
    std::lock_guard lock(mutex_);
    return exists_[id];
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
