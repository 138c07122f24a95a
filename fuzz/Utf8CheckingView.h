#pragma once
// A View that keeps nothing and checks what the window would be given:
// every text is UTF-8, every pop-up stands at a cell of the index table and
// the status counters are counts of the index table.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

#include "app/View.h"
#include "fuzz/FuzzCheck.h"
#include "line/Frame.h"

namespace tulex::fuzz {

class Utf8CheckingView final : public View {
public:
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
        RequireUtf8(caption, "message caption");
        RequireUtf8(text, "message text");
    }
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        RequireUtf8(caption, "question caption");
        RequireUtf8(text, "question text");
        return false;
    }
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override {
        RequireUtf8(caption, "input caption");
        RequireUtf8(prompt, "input prompt");
        RequireUtf8(initial, "input default");
        return std::nullopt;
    }
    void SetCommandControlsEnabled(bool) override {}
    void SetPortControlsEnabled(bool) override {}
    void SetStatusPanel(int panel, const std::string& text) override {
        Require(panel == 1 || panel == 2, "status panel 1 or 2");
        int count = -1;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
        Require(error == std::errc() && end == text.data() + text.size() && count >= 0 && count <= kIndexCount,
                "a status counter counts indexes of the index table");
    }
    void RepaintMap() override {}
    void ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) override {
        Require(IsIndexByte(index), "card pop-up at a cell of the index table");
        RequireUtf8(title, "card pop-up title");
        RequireUtf8(text, "card pop-up text");
    }
    void RemoveAllCardPopups() override {}
    void ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour) override {
        Require(IsIndexByte(index), "balloon at a cell of the index table");
        RequireUtf8(title, "balloon title");
        RequireUtf8(text, "balloon text");
    }
    void SetBalloonText(const std::string& text) override { RequireUtf8(text, "balloon text"); }
    void RemoveBalloon() override {}
    void ShowSensorPopup(std::uint8_t index, const std::string& text) override {
        Require(IsIndexByte(index), "sensor pop-up at a cell of the index table");
        RequireUtf8(text, "sensor pop-up text");
    }
    void RemoveSensorPopup() override {}
    void OpenCommandMenu(std::uint8_t index) override {
        Require(IsIndexByte(index), "menu at a cell of the index table");
    }
};

}  // namespace tulex::fuzz
