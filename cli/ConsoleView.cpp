#include "cli/ConsoleView.h"

#include <cstring>

#include "cli/Console.h"
#include "line/Cp1251.h"
#include "line/HexDigits.h"

namespace tulex::cli {
namespace {

// The length of the UTF-8 sequence at text[i] and its code point; a byte
// that does not start a valid sequence (overlong, surrogate, beyond U+10FFFF,
// cut short) has length 1 and no code point.
std::size_t NextSequence(std::string_view text, std::size_t i, std::optional<char32_t>& cp) {
    std::size_t next = i;
    char32_t decoded = 0;
    if (NextUtf8CodePoint(text, next, decoded)) {
        cp = decoded;
        return next - i;
    }
    cp.reset();
    return 1;
}

bool IsControl(char32_t cp) { return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F); }

const char* BalloonState(const Colour& colour) {
    if (colour == kSuccessColour) return "success";
    if (colour == kFailureColour) return "failure";
    if (colour == kReportColour) return "report";
    return "waiting";
}

bool IsYes(std::string answer) {
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r' || answer.back() == ' '))
        answer.pop_back();
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "д" || answer == "Д" ||
           answer == "да" || answer == "Да";
}

}  // namespace

std::string JsonQuote(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        std::optional<char32_t> cp;
        const std::size_t len = NextSequence(utf8, i, cp);
        const char c = utf8[i];
        if (!cp)
            out += "\\ufffd";  // not UTF-8: replaced, never copied into the JSON
        else if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (IsControl(*cp))
            out += "\\u00" + HexByte(static_cast<std::uint8_t>(*cp));
        else
            out.append(utf8.substr(i, len));
        i += len;
    }
    out += '"';
    return out;
}

std::string TerminalSafe(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::optional<char32_t> cp;
        const std::size_t len = NextSequence(utf8, i, cp);
        if (!cp)
            out += "\\x" + HexByte(static_cast<std::uint8_t>(utf8[i]));
        else if (IsControl(*cp) && *cp != '\n' && *cp != '\t')
            out += "\\x" + HexByte(static_cast<std::uint8_t>(*cp));
        else
            out.append(utf8.substr(i, len));
        i += len;
    }
    return out;
}

std::string IndexText(std::uint8_t index) { return Cp1251ToUtf8(std::string(1, static_cast<char>(index))); }

ConsoleView::ConsoleView(bool json, bool assumeYes, std::FILE* out, std::FILE* err)
    : json_(json),
      assumeYes_(assumeYes),
      out_(out),
      err_(err),
      interactive_(InputIsTerminal()),
      progressShown_(!json && IsTerminal(err)) {}

void ConsoleView::ShowProgress(const std::string& text) {
    if (!progressShown_) return;
    // Carriage return and erase to the end of the line: one line that counts up.
    if (!text.empty()) {
        Write(err_, "\r" + TerminalSafe(text) + "\x1b[K");
        progressOnScreen_ = true;
    } else if (progressOnScreen_) {
        Write(err_, "\r\x1b[K");
        progressOnScreen_ = false;
    }
}

void ConsoleView::Write(std::FILE* stream, const std::string& bytes) {
    std::lock_guard lock(writeMutex_);
    WriteText(stream, bytes);
}

void ConsoleView::ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
    const Message message{caption, text, icon};
    MessageSink sink;
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
        sink = messageSink_;
    }
    if (sink)
        sink(message);
    else
        Write(err_, TerminalSafe(caption + ": " + text) + "\n");
}

bool ConsoleView::AskYesNo(const std::string& caption, const std::string& text) {
    if (assumeYes_) return true;
    bool interactive = false;
    {
        std::lock_guard lock(mutex_);
        interactive = interactive_;
    }
    if (!interactive) {
        // No one can answer: the answer is No, and a script is told why.
        Write(err_, TerminalSafe(caption + ": " + text) +
                        "\ntulex-cli: not confirmed: no terminal to ask; --yes answers Yes\n");
        return false;
    }
    Write(err_, TerminalSafe(caption + ": " + text) + " [y/N] ");
    const auto answer = ReadInputLine();
    return answer && IsYes(*answer);
}

std::optional<std::string> ConsoleView::InputQuery(const std::string&, const std::string& prompt,
                                                   const std::string& initial) {
    std::lock_guard lock(mutex_);
    lastInputPrompt_ = prompt;
    lastInputInitial_ = initial;
    if (inputs_.empty()) return std::nullopt;
    auto answer = std::move(inputs_.front());
    inputs_.pop_front();
    return answer;
}

void ConsoleView::SetCommandControlsEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    commandControls_ = enabled;
}

void ConsoleView::SetPortControlsEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    portControls_ = enabled;
}

void ConsoleView::SetStatusPanel(int panel, const std::string& text) {
    std::string object;
    {
        std::lock_guard lock(mutex_);
        if (panel < 1 || panel > 2) return;
        panels_[panel] = text;
        if (!live_ || !json_) return;
        const std::pair<std::string, std::string> counters{panels_[1], panels_[2]};
        if (lastCounters_ == counters) return;  // report changes only
        lastCounters_ = counters;
        object =
            "{\"event\": \"counters\", \"present\": " + counters.first + ", \"reply_only\": " + counters.second + "}";
    }
    PrintJson(object);
}

void ConsoleView::ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!live_) return;
    }
    if (json_)
        PrintJson("{\"event\": \"card\", \"index\": " + JsonQuote(IndexText(index)) +
                  ", \"title\": " + JsonQuote(title) + ", \"text\": " + JsonQuote(text) + "}");
    else
        PrintBlock(title, text);
}

void ConsoleView::ShowSensorPopup(std::uint8_t index, const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (!live_) return;
    }
    if (json_)
        PrintJson("{\"event\": \"sensor\", \"index\": " + JsonQuote(IndexText(index)) +
                  ", \"text\": " + JsonQuote(text) + "}");
    else
        PrintBlock("Датчик", text);
}

void ConsoleView::ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) {
    std::lock_guard lock(mutex_);
    balloon_ = {true, index, title, text, colour};
}

void ConsoleView::SetBalloonText(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (balloon_.shown) balloon_.text = text;
}

void ConsoleView::RemoveBalloon() {
    std::lock_guard lock(mutex_);
    balloon_.shown = false;
}

void ConsoleView::QueueInput(std::optional<std::string> answer) {
    std::lock_guard lock(mutex_);
    inputs_.push_back(std::move(answer));
}

void ConsoleView::SetMessageSink(MessageSink sink) {
    std::lock_guard lock(mutex_);
    messageSink_ = std::move(sink);
}

void ConsoleView::SetLive(bool live) {
    std::lock_guard lock(mutex_);
    live_ = live;
}

void ConsoleView::SetInteractive(bool interactive) {
    std::lock_guard lock(mutex_);
    interactive_ = interactive;
}

std::vector<ConsoleView::Message> ConsoleView::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

ConsoleView::Balloon ConsoleView::LastBalloon() const {
    std::lock_guard lock(mutex_);
    return balloon_;
}

bool ConsoleView::CommandControlsEnabled() const {
    std::lock_guard lock(mutex_);
    return commandControls_;
}

bool ConsoleView::PortControlsEnabled() const {
    std::lock_guard lock(mutex_);
    return portControls_;
}

std::string ConsoleView::Panel(int panel) const {
    std::lock_guard lock(mutex_);
    return panel >= 0 && panel < 3 ? panels_[panel] : std::string();
}

std::string ConsoleView::LastInputPrompt() const {
    std::lock_guard lock(mutex_);
    return lastInputPrompt_;
}

std::string ConsoleView::LastInputInitial() const {
    std::lock_guard lock(mutex_);
    return lastInputInitial_;
}

void ConsoleView::PrintBlock(const std::string& title, const std::string& text) {
    std::string block = TerminalSafe(title) + "\n";
    std::size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        block += line.empty() ? "\n" : "  " + TerminalSafe(line) + "\n";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    Write(out_, block);
}

void ConsoleView::PrintLine(const std::string& utf8) { Write(out_, TerminalSafe(utf8) + "\n"); }

void ConsoleView::PrintJson(const std::string& object) { Write(out_, object + "\n"); }

void ConsoleView::PrintBalloon() {
    const Balloon balloon = LastBalloon();
    std::string block = TerminalSafe(balloon.title) + "\n";
    if (!balloon.text.empty()) block += TerminalSafe(balloon.text) + "\n";
    Write(out_, block);
}

int ConsoleView::PrintOutcome() {
    const Balloon balloon = LastBalloon();
    if (json_)
        PrintJson(BalloonJson());
    else
        PrintBalloon();
    return balloon.colour == kFailureColour ? 1 : 0;
}

std::string ConsoleView::BalloonJson() const {
    const Balloon balloon = LastBalloon();
    return std::string("{\"state\": \"") + BalloonState(balloon.colour) + "\", \"title\": " + JsonQuote(balloon.title) +
           ", \"text\": " + JsonQuote(balloon.text) + ", \"index\": " + JsonQuote(IndexText(balloon.index)) + "}";
}

}  // namespace tulex::cli
