#pragma once
// A screen that draws nothing, for the benchmarks that run the engine
// without a window; a message box (a port that would not open, say) goes to
// standard error so that a failed run says why.

#include <cstdio>
#include <optional>
#include <string>

#include "app/View.h"

namespace tulex::bench {

class NullView final : public View {
public:
    void ShowMessage(const std::string&, const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> InputQuery(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void SetCommandControlsEnabled(bool) override {}
    void SetPortControlsEnabled(bool) override {}
    void SetStatusPanel(int, const std::string&) override {}
    void RepaintMap() override {}
    void ShowCardPopup(std::uint8_t, const std::string&, const std::string&) override {}
    void RemoveAllCardPopups() override {}
    void ShowBalloon(std::uint8_t, const std::string&, const std::string&, Colour) override {}
    void SetBalloonText(const std::string&) override {}
    void RemoveBalloon() override {}
    void ShowSensorPopup(std::uint8_t, const std::string&) override {}
    void RemoveSensorPopup() override {}
    void OpenCommandMenu(std::uint8_t) override {}
};

}  // namespace tulex::bench
