#include "tests/support/RecordingView.h"

namespace tulex::test {

void RecordingView::Record(Call call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

void RecordingView::ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
    Record({"message", caption, text, 0, icon == MessageIcon::Warning ? 1 : 0, {}});
}

bool RecordingView::AskYesNo(const std::string& caption, const std::string& text) {
    bool answer = false;
    {
        std::lock_guard lock(mutex_);
        if (!yesNo_.empty()) {
            answer = yesNo_.front();
            yesNo_.pop_front();
        }
    }
    Record({"ask", caption, text, 0, answer ? 1 : 0, {}});
    return answer;
}

std::optional<std::string> RecordingView::InputQuery(const std::string& caption, const std::string& prompt,
                                                     const std::string& initial) {
    std::optional<std::string> answer;
    {
        std::lock_guard lock(mutex_);
        lastInputInitial_ = initial;
        lastInputPrompt_ = prompt;
        if (!inputs_.empty()) {
            answer = inputs_.front();
            inputs_.pop_front();
        }
    }
    Record({"input", caption, answer.value_or(""), 0, answer ? 1 : 0, {}});
    return answer;
}

void RecordingView::SetCommandControlsEnabled(bool enabled) {
    {
        std::lock_guard lock(mutex_);
        commandControls_ = enabled;
    }
    Record({"controls", "", "", 0, enabled ? 1 : 0, {}});
}

void RecordingView::SetPortControlsEnabled(bool enabled) {
    {
        std::lock_guard lock(mutex_);
        portControls_ = enabled;
    }
    Record({"portControls", "", "", 0, enabled ? 1 : 0, {}});
}

void RecordingView::SetStatusPanel(int panel, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (panel >= 0 && panel < 3) panels_[panel] = text;
    }
    Record({"panel", "", text, 0, panel, {}});
}

void RecordingView::RepaintMap() { Record({"repaint", "", "", 0, 0, {}}); }

void RecordingView::ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) {
    Record({"card", title, text, index, 0, {}});
}

void RecordingView::RemoveAllCardPopups() { Record({"removeCards", "", "", 0, 0, {}}); }

void RecordingView::ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) {
    Record({"balloon", title, text, index, 0, colour});
}

void RecordingView::SetBalloonText(const std::string& text) { Record({"balloonText", "", text, 0, 0, {}}); }

void RecordingView::RemoveBalloon() { Record({"removeBalloon", "", "", 0, 0, {}}); }

void RecordingView::ShowSensorPopup(std::uint8_t index, const std::string& text) {
    Record({"sensor", "Датчик", text, index, 0, {}});
}

void RecordingView::RemoveSensorPopup() { Record({"removeSensor", "", "", 0, 0, {}}); }

void RecordingView::OpenCommandMenu(std::uint8_t index) { Record({"menu", "", "", index, 0, {}}); }

void RecordingView::EventsAdded() { Record({"events", "", "", 0, 0, {}}); }

void RecordingView::CountSkippedPopups(std::size_t count) {
    Record({"skipped", "", "", 0, static_cast<int>(count), {}});
}

void RecordingView::SetConnection(const Connection& connection) {
    Record({"connection", connection.port, connection.speed, 0, static_cast<int>(connection.state), {}});
}

void RecordingView::ShowProgress(const std::string& text) { Record({"progress", "", text, 0, 0, {}}); }

void RecordingView::QueueYesNo(bool answer) {
    std::lock_guard lock(mutex_);
    yesNo_.push_back(answer);
}

void RecordingView::QueueInput(std::optional<std::string> answer) {
    std::lock_guard lock(mutex_);
    inputs_.push_back(std::move(answer));
}

std::vector<RecordingView::Call> RecordingView::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<RecordingView::Call> RecordingView::CallsOf(const std::string& what) const {
    std::lock_guard lock(mutex_);
    std::vector<Call> out;
    for (const auto& c : calls_)
        if (c.what == what) out.push_back(c);
    return out;
}

std::string RecordingView::lastInputInitial() const {
    std::lock_guard lock(mutex_);
    return lastInputInitial_;
}

std::string RecordingView::lastInputPrompt() const {
    std::lock_guard lock(mutex_);
    return lastInputPrompt_;
}

void RecordingView::Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

bool RecordingView::commandControlsEnabled() const {
    std::lock_guard lock(mutex_);
    return commandControls_;
}

bool RecordingView::portControlsEnabled() const {
    std::lock_guard lock(mutex_);
    return portControls_;
}

std::string RecordingView::panel(int n) const {
    std::lock_guard lock(mutex_);
    return (n >= 0 && n < 3) ? panels_[n] : std::string();
}

}  // namespace tulex::test
