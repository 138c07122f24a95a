#pragma once
// What the window logic asks of the screen. The Qt and the Win32 main windows
// implement it, so do the tulex-cli console and the recording fake of the tests. Every call
// happens on the UI thread (background threads go through the Dispatcher).
// Texts are UTF-8; index characters are line bytes (0x47..0xFC).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "display/Colour.h"

namespace tulex {

enum class MessageIcon { Warning, Information };

// Card pop-ups a window shows at once: the newest of them counts the card
// events beyond (CountSkippedPopups).
inline constexpr std::size_t kMaxCardPopups = 5;

// The port as the connection indicator shows it.
struct Connection {
    enum class State { Closed, Open, Lost };
    State state = State::Closed;
    std::string port;   // the name it was opened by (empty before the first open)
    std::string speed;  // the speed text it was opened with
};

class View {
public:
    virtual ~View() = default;

    // A modal message box with an OK button.
    virtual void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
    // A modal question with Yes and No (warning icon); true for Yes.
    virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
    // The input dialog (caption, prompt, default); nullopt when cancelled.
    virtual std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                                  const std::string& initial) = 0;

    // The command controls, in this order: converterButton, closeButton, searchButton, the map.
    virtual void SetCommandControlsEnabled(bool enabled) = 0;
    // "Открыть", the port box and the speed box.
    virtual void SetPortControlsEnabled(bool enabled) = 0;
    // Status bar panel 1 (present set) or 2 (reply-only set).
    virtual void SetStatusPanel(int panel, const std::string& text) = 0;
    // The map's sets or selection changed.
    virtual void RepaintMap() = 0;

    // A card pop-up at the cell of index (closes itself after 4000 ms).
    virtual void ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) = 0;
    virtual void RemoveAllCardPopups() = 0;
    // Creates (replacing any) the controller balloon at the cell of index.
    virtual void ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) = 0;
    // Replaces the balloon's text in place (progress of the tests); nothing
    // if there is no balloon.
    virtual void SetBalloonText(const std::string& text) = 0;
    virtual void RemoveBalloon() = 0;
    // Creates (replacing any) the sensor pop-up at the cell of index.
    virtual void ShowSensorPopup(std::uint8_t index, const std::string& text) = 0;
    virtual void RemoveSensorPopup() = 0;

    // The controller menu at the cell of index.
    virtual void OpenCommandMenu(std::uint8_t index) = 0;

    // --- What a front end may leave alone (the defaults do nothing).
    // New card or sensor events are in the session's event list.
    virtual void EventsAdded() {}
    // Events that wanted a pop-up but got none of their own, because more
    // came at once than the screen shows; the newest pop-up counts them.
    virtual void CountSkippedPopups(std::size_t count) { (void)count; }
    // The port was opened, closed or lost.
    virtual void SetConnection(const Connection& connection) { (void)connection; }
    // A running command's progress ("Поиск: 12 из 182"); an empty text ends it.
    virtual void ShowProgress(const std::string& text) { (void)text; }
};

}  // namespace tulex
