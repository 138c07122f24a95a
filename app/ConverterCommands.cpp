#include "app/ConverterCommands.h"

#include "app/TForm1.h"
#include "app/Timing.h"
#include "converter/ConverterInput.h"
#include "line/Frame.h"

namespace tulex {
namespace {

constexpr const char* kRawCommandPrefix = "Команда преобразователю: ";

}  // namespace

bool ConverterCommands::PortOpenOrWarn() {
    if (form_.IsPortOpen()) return true;
    form_.view().ShowMessage(kCaptionWarning, kStartWithPort, MessageIcon::Warning);
    return false;
}

bool ConverterCommands::SpeedButton5Click() { return PortOpenOrWarn(); }

bool ConverterCommands::N19Click() {
    // The menu opens only with the port open; a front end that calls the
    // handler directly gets the same warning instead of a certain time-out.
    if (!PortOpenOrWarn()) return false;
    TConv& conv = form_.conv;
    form_.EnableCommandControls(false);
    conv.busy = 1;
    conv.ClearReply();
    conv.commandList = {"0", "2", "4"};
    conv.descriptionList = {"Чтение параметров преобразователя: Версия",
                            "Чтение параметров преобразователя: Диапазон опроса",
                            "Чтение параметров преобразователя: Скорость, время"};
    return StartWorker(&ConverterCommands::ReadWorker, {});
}

bool ConverterCommands::N34Click() {
    if (!PortOpenOrWarn()) return false;
    TConv& conv = form_.conv;
    View& view = form_.view();
    const auto typed = view.InputQuery("Изменение диапазона опроса", "Допустимые значения: H - Ж\n\nИндекс:",
                                       conv.pollRangeText);
    if (!typed) return false;
    // Kept even when refused, so that the dialog offers it again to be fixed.
    conv.pollRangeText = TrimInput(*typed);
    const PollRangeCheck check = CheckPollRange(conv.pollRangeText);
    if (!check.index) {
        view.ShowMessage(check.refusal.caption, check.refusal.text, MessageIcon::Warning);
        return false;
    }
    form_.EnableCommandControls(false);
    conv.busy = 1;
    conv.commandList = {std::string("1") + static_cast<char>(*check.index)};
    conv.descriptionList = {"Изменение диапазона опроса преобразователя"};
    return StartWorker(&ConverterCommands::SingleCommandWorker, kPollRangeChanged);
}

bool ConverterCommands::N35Click() {
    if (!PortOpenOrWarn()) return false;
    TConv& conv = form_.conv;
    View& view = form_.view();
    const auto typed = view.InputQuery("Выполнить команду", "Команда преобразователю:", conv.rawCommandText);
    if (!typed) return false;
    conv.rawCommandText = *typed;  // exactly as typed, not trimmed
    // Sent as typed, but never altered: a character the line's code page
    // lacks would otherwise go out as some other byte.
    const RawCommandCheck check = CheckRawCommand(*typed);
    if (!check.bytes) {
        view.ShowMessage(check.refusal.caption, check.refusal.text, MessageIcon::Warning);
        return false;
    }
    form_.EnableCommandControls(false);
    conv.busy = 1;
    conv.commandList = {*check.bytes};
    conv.descriptionList = {kRawCommandPrefix + *typed};
    return StartWorker(&ConverterCommands::SingleCommandWorker, kCommandSent);
}

bool ConverterCommands::StartWorker(void (ConverterCommands::*worker)(const std::string&), std::string successText) {
    SetResult(Outcome::None);
    running_ = true;
    if (form_.StartWorker([this, worker, text = std::move(successText)] { (this->*worker)(text); })) return true;
    // No thread: undo the start so that the window is usable again.
    form_.conv.busy = 0;
    CleanUp();
    return false;
}

void ConverterCommands::ReadWorker(const std::string&) {
    TConv& conv = form_.conv;
    conv.CreateEvents({TConv::kEvent2, TConv::kDataEvent});
    for (std::size_t i = 0; i < conv.commandList.size() && conv.busy == 1; ++i) {
        form_.SendRequest(kConverterAddress, conv.commandList[i], conv.descriptionList[i]);
        // The error reply is tested first; a positive reply "$" signals
        // nothing here (converter event 1 does not exist during a read).
        const WaitResult r =
            WaitForAny({conv.EventFor(TConv::kEvent2), conv.EventFor(TConv::kDataEvent)}, Limit(limits::kReply));
        if (r.is(1)) continue;
        if (r.is(0))
            ShowErrorReply();
        else if (r.timedOut())
            ShowTimeout();
        conv.busy = 0;  // a failed wait ends the read without an outcome
    }
    if (conv.busy == 1) {
        conv.busy = 0;
        const std::string report = conv.Report();
        SetResult(Outcome::Report, report);
        ShowMessageAndWait(kCaptionInformation, report, false);
    }
    CleanUp();
}

void ConverterCommands::SingleCommandWorker(const std::string& successText) {
    TConv& conv = form_.conv;
    conv.CreateEvents({TConv::kEvent1, TConv::kEvent2});
    const std::string command = conv.commandList.empty() ? std::string() : conv.commandList.front();
    const std::string description = conv.descriptionList.empty() ? std::string() : conv.descriptionList.front();
    form_.SendRequest(kConverterAddress, command, description);
    const WaitResult r =
        WaitForAny({conv.EventFor(TConv::kEvent1), conv.EventFor(TConv::kEvent2)}, Limit(limits::kReply));
    if (r.is(0)) {
        SetResult(Outcome::Done);
        ShowMessageAndWait(kCaptionInformation, successText, false);
    } else if (r.is(1)) {
        ShowErrorReply();
    } else if (r.timedOut()) {
        ShowTimeout();
    }
    conv.busy = 0;
    CleanUp();
}

// The end of every converter command, in this order: (busy flag already
// cleared) events closed, lists emptied, command controls enabled.
void ConverterCommands::CleanUp() {
    TConv& conv = form_.conv;
    conv.CloseEvents();
    conv.commandList.clear();
    conv.descriptionList.clear();
    form_.EnableCommandControls(true);
    running_ = false;
}

void ConverterCommands::ShowMessageAndWait(const char* caption, const std::string& text, bool warning) {
    const std::string captionText = caption;
    form_.RunOnUi([this, &captionText, &text, warning] {
        form_.view().ShowMessage(captionText, text, warning ? MessageIcon::Warning : MessageIcon::Information);
    });
}

void ConverterCommands::SetResult(Outcome outcome, std::string report) {
    std::lock_guard lock(resultMutex_);
    result_ = {outcome, std::move(report)};
}

void ConverterCommands::ShowErrorReply() {
    SetResult(Outcome::Error);
    ShowMessageAndWait(kCaptionInformation, kConverterUnavailable, false);
}

void ConverterCommands::ShowTimeout() {
    form_.MonitorAdd("   TIMEOUT");
    SetResult(Outcome::Timeout);
    ShowMessageAndWait(kCaptionWarning, kConverterTimeout, true);
}

ConverterCommands::Result ConverterCommands::LastResult() const {
    std::lock_guard lock(resultMutex_);
    return result_;
}

}  // namespace tulex
