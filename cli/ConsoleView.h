#pragma once
// The View of tulex-cli: the window's screen, played on a terminal.
//
// How a CLI command uses it (see also cli/CliSession.h, which owns one):
//   - Message boxes: recorded (Messages()) and written to standard error as
//     "CAPTION: TEXT". A command that must print them itself (the converter
//     commands print each message box's text) installs SetMessageSink; then
//     nothing goes to standard error and the sink decides.
//   - Yes/no questions: Yes with --yes; otherwise asked on the terminal when
//     standard input is one; with no terminal the answer is No.
//   - Input dialogs: answered from a queue that the command fills from its
//     arguments (QueueInput) before it calls the handler; an empty queue
//     answers Cancel. The prompt and offered default are recorded.
//   - Controller balloon: the last one shown is kept (LastBalloon()); a
//     command prints it at its end with PrintBalloon/BalloonJson.
//   - Command controls: CommandControlsEnabled() turns true again when a
//     command's worker has ended; wait for that with CliSession::RunUntil.
//   - Progress (the search): rewritten in place on standard error when it
//     is a terminal; nowhere else.
//   - Live mode (listen): card and sensor pop-ups are printed as blocks (title
//     line, text lines indented by two blanks) or as JSON objects, and with
//     --json every change of the status counters is printed too.
// Every View call arrives on the UI thread (the CLI's main thread); the
// printing helpers may also be called from the receive thread (monitor
// lines): each block or object goes out in one write.

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/View.h"

namespace tulex::cli {

// A JSON string literal (quotes included) of UTF-8 text; control characters
// are escaped.
std::string JsonQuote(std::string_view utf8);

// UTF-8 text made safe for a terminal: C0 controls (except line feed and
// tab), DEL and C1 controls become "\xHH", so bytes from the line can never
// drive the terminal.
std::string TerminalSafe(std::string_view utf8);

// The index character as UTF-8 text ("G", "Ж", "ь").
std::string IndexText(std::uint8_t index);

class ConsoleView final : public View {
public:
    struct Message {
        std::string caption;
        std::string text;
        MessageIcon icon = MessageIcon::Warning;
    };
    struct Balloon {
        bool shown = false;
        std::uint8_t index = 0;
        std::string title;
        std::string text;
        Colour colour{};
    };
    using MessageSink = std::function<void(const Message&)>;

    // json: --json; assumeYes: --yes. out/err: where output goes (stdout and
    // stderr unless a test passes its own streams).
    ConsoleView(bool json, bool assumeYes, std::FILE* out = stdout, std::FILE* err = stderr);

    // --- View
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    void SetCommandControlsEnabled(bool enabled) override;
    void SetPortControlsEnabled(bool enabled) override;
    void SetStatusPanel(int panel, const std::string& text) override;
    void RepaintMap() override {}
    void ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) override;
    void RemoveAllCardPopups() override {}
    void ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) override;
    void SetBalloonText(const std::string& text) override;
    void RemoveBalloon() override;
    void ShowSensorPopup(std::uint8_t index, const std::string& text) override;
    void RemoveSensorPopup() override {}
    void OpenCommandMenu(std::uint8_t) override {}
    // The search's "Поиск: N из 182", rewritten in place on standard error
    // while it is a terminal (and not with --json); scripts see nothing.
    void ShowProgress(const std::string& text) override;

    // --- what commands set up and read
    void QueueInput(std::optional<std::string> answer);
    void SetMessageSink(MessageSink sink);
    // Live mode: print pop-ups (and counters with --json) as they come.
    void SetLive(bool live);
    // Whether the terminal may be asked (tests switch it off).
    void SetInteractive(bool interactive);

    std::vector<Message> Messages() const;
    Balloon LastBalloon() const;
    bool CommandControlsEnabled() const;
    bool PortControlsEnabled() const;
    std::string Panel(int panel) const;  // 1 present, 2 reply-only
    std::string LastInputPrompt() const;
    std::string LastInputInitial() const;
    bool json() const { return json_; }

    // --- printing (one write per call; safe from any thread)
    // A block: the title line, then each text line indented by two blanks.
    void PrintBlock(const std::string& title, const std::string& text);
    // One line of text to standard output (terminal-safe).
    void PrintLine(const std::string& utf8);
    // A JSON object (already built) on its own line.
    void PrintJson(const std::string& object);
    // The last balloon as the command's outcome: title line and text lines.
    void PrintBalloon();
    // {"state": ..., "title": ..., "text": ..., "index": ...} of the last balloon.
    std::string BalloonJson() const;
    // A controller command's end: the last balloon as text or JSON; returns
    // the exit status its colour gives (failure 1, success or report 0).
    int PrintOutcome();

private:
    void Write(std::FILE* stream, const std::string& bytes);

    const bool json_;
    const bool assumeYes_;
    std::FILE* out_;
    std::FILE* err_;

    mutable std::mutex mutex_;
    std::mutex writeMutex_;
    bool interactive_;
    const bool progressShown_;  // standard error is a terminal and the output is not JSON
    bool progressOnScreen_ = false;
    bool live_ = false;
    bool commandControls_ = true;
    bool portControls_ = true;
    std::string panels_[3] = {"", "0", "0"};
    std::optional<std::pair<std::string, std::string>> lastCounters_;
    std::vector<Message> messages_;
    MessageSink messageSink_;
    std::deque<std::optional<std::string>> inputs_;
    std::string lastInputPrompt_;
    std::string lastInputInitial_;
    Balloon balloon_;
};

}  // namespace tulex::cli
