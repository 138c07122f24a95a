#include "cli/ConsoleView.h"

#include <cstring>

#include "cli/Console.h"
#include "line/Cp1251.h"
#include "line/HexDigits.h"

namespace tulex::cli {
namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length (1 for a byte
// that does not start a valid sequence, which is passed on as it is).
std::size_t Utf8Length(std::string_view text, std::size_t i, char32_t& cp) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t len = 1;
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    if ((b & 0xE0) == 0xC0)
        len = 2, cp = b & 0x1F;
    else if ((b & 0xF0) == 0xE0)
        len = 3, cp = b & 0x0F;
    else if ((b & 0xF8) == 0xF0)
        len = 4, cp = b & 0x07;
    else {
        cp = 0xFFFD;
        return 1;
    }
    if (i + len > text.size()) {
        cp = 0xFFFD;
        return 1;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) {
            cp = 0xFFFD;
            return 1;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    return len;
}

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
        char32_t cp = 0;
        const std::size_t len = Utf8Length(utf8, i, cp);
        const char c = utf8[i];
        if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F))
            out += "\\u00" + HexByte(static_cast<std::uint8_t>(cp));
        else if (cp == 0xFFFD && len == 1)
            out += "\\ufffd";  // not UTF-8: never emit invalid JSON
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
        char32_t cp = 0;
        const std::size_t len = Utf8Length(utf8, i, cp);
        if ((cp < 0x20 && cp != '\n' && cp != '\t') || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F))
            out += "\\x" + HexByte(static_cast<std::uint8_t>(cp));
        else if (cp == 0xFFFD && len == 1)
            out += "\\x" + HexByte(static_cast<std::uint8_t>(utf8[i]));
        else
            out.append(utf8.substr(i, len));
        i += len;
    }
    return out;
}

std::string IndexText(std::uint8_t index) { return Cp1251ToUtf8(std::string(1, static_cast<char>(index))); }

ConsoleView::ConsoleView(bool json, bool assumeYes, std::FILE* out, std::FILE* err)
    : json_(json), assumeYes_(assumeYes), out_(out), err_(err), interactive_(InputIsTerminal()) {}

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
    if (!interactive) return false;
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
