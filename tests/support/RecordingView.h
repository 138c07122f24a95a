#pragma once
// A View for tests: records every call in order and answers questions and
// input dialogs from scripted queues (an empty queue answers No / Cancel).

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/View.h"

namespace tulex::test {

class RecordingView final : public View {
public:
    struct Call {
        std::string what;     // "message", "ask", "input", "controls", "portControls", "panel",
                              // "repaint", "card", "removeCards", "balloon", "balloonText",
                              // "removeBalloon", "sensor", "removeSensor", "menu", "events",
                              // "skipped", "connection", "progress"
        std::string caption;  // message/ask/input caption, balloon/card title, connection port
        std::string text;     // message text, balloon/card/sensor text, panel text, progress,
                              // connection speed
        std::uint8_t index = 0;
        int number = 0;  // panel number; enabled flag as 0/1; skipped count; connection state
        Colour colour{};
    };

    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    void SetCommandControlsEnabled(bool enabled) override;
    void SetPortControlsEnabled(bool enabled) override;
    void SetStatusPanel(int panel, const std::string& text) override;
    void RepaintMap() override;
    void ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) override;
    void RemoveAllCardPopups() override;
    void ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) override;
    void SetBalloonText(const std::string& text) override;
    void RemoveBalloon() override;
    void ShowSensorPopup(std::uint8_t index, const std::string& text) override;
    void RemoveSensorPopup() override;
    void OpenCommandMenu(std::uint8_t index) override;
    void EventsAdded() override;
    void CountSkippedPopups(std::size_t count) override;
    void SetConnection(const Connection& connection) override;
    void ShowProgress(const std::string& text) override;

    // Scripted answers.
    void QueueYesNo(bool answer);
    void QueueInput(std::optional<std::string> answer);

    // Everything recorded so far (copy), and the calls of one kind.
    std::vector<Call> Calls() const;
    std::vector<Call> CallsOf(const std::string& what) const;
    // The initial value offered by the last input dialog, its caption and prompt.
    std::string lastInputInitial() const;
    std::string lastInputPrompt() const;
    void Clear();

    // State the tests look at most.
    bool commandControlsEnabled() const;
    bool portControlsEnabled() const;
    std::string panel(int n) const;

private:
    void Record(Call call);

    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    std::deque<bool> yesNo_;
    std::deque<std::optional<std::string>> inputs_;
    std::string lastInputInitial_;
    std::string lastInputPrompt_;
    bool commandControls_ = true;
    bool portControls_ = true;
    std::string panels_[3] = {"  Контроллеров в линии:", "0", "0"};
};

}  // namespace tulex::test
