#include "app/ConverterCommands.h"

#include "app/CommandContext.h"
#include "app/Timing.h"
#include "converter/ConverterInput.h"
#include "line/Frame.h"

namespace tulex {
namespace {

constexpr const char* kRawCommandPrefix = "Команда преобразователю: ";

}  // namespace

bool ConverterCommands::PortOpenOrWarn() {
    if (context_.IsPortOpen()) return true;
    context_.view().ShowMessage(kCaptionWarning, kStartWithPort, MessageIcon::Warning);
    return false;
}

bool ConverterCommands::OpenConverterMenu() { return PortOpenOrWarn(); }

bool ConverterCommands::ReadConverterParameters() {
    // The menu opens only with the port open; a front end that calls the
    // handler directly gets the same warning instead of a certain time-out.
    if (!PortOpenOrWarn()) return false;
    ConverterTransaction& converterTransaction = context_.converterTransaction();
    context_.EnableCommandControls(false);
    converterTransaction.busy = 1;
    converterTransaction.ClearReply();
    converterTransaction.commandList = {"0", "2", "4"};
    converterTransaction.descriptionList = {"Чтение параметров преобразователя: Версия",
                                            "Чтение параметров преобразователя: Диапазон опроса",
                                            "Чтение параметров преобразователя: Скорость, время"};
    return StartWorker(&ConverterCommands::ReadWorker, {});
}

bool ConverterCommands::ChangePollRange() {
    if (!PortOpenOrWarn()) return false;
    ConverterTransaction& converterTransaction = context_.converterTransaction();
    View& view = context_.view();
    const auto typed = view.InputQuery("Изменение диапазона опроса",
                                       "Допустимые значения: H - Ж\n\nИндекс:", converterTransaction.pollRangeText);
    if (!typed) return false;
    // Kept even when refused, so that the dialog offers it again to be fixed.
    converterTransaction.pollRangeText = TrimInput(*typed);
    const PollRangeCheck check = CheckPollRange(converterTransaction.pollRangeText);
    if (!check.index) {
        view.ShowMessage(check.refusal.caption, check.refusal.text, MessageIcon::Warning);
        return false;
    }
    context_.EnableCommandControls(false);
    converterTransaction.busy = 1;
    converterTransaction.commandList = {std::string("1") + static_cast<char>(*check.index)};
    converterTransaction.descriptionList = {"Изменение диапазона опроса преобразователя"};
    return StartWorker(&ConverterCommands::SingleCommandWorker, kPollRangeChanged);
}

bool ConverterCommands::RunConverterCommand() {
    if (!PortOpenOrWarn()) return false;
    ConverterTransaction& converterTransaction = context_.converterTransaction();
    View& view = context_.view();
    const auto typed =
        view.InputQuery("Выполнить команду", "Команда преобразователю:", converterTransaction.rawCommandText);
    if (!typed) return false;
    converterTransaction.rawCommandText = *typed;  // exactly as typed, not trimmed
    // Sent as typed, but never altered: a character the line's code page
    // lacks would otherwise go out as some other byte.
    const RawCommandCheck check = CheckRawCommand(*typed);
    if (!check.bytes) {
        view.ShowMessage(check.refusal.caption, check.refusal.text, MessageIcon::Warning);
        return false;
    }
    context_.EnableCommandControls(false);
    converterTransaction.busy = 1;
    converterTransaction.commandList = {*check.bytes};
    converterTransaction.descriptionList = {kRawCommandPrefix + *typed};
    return StartWorker(&ConverterCommands::SingleCommandWorker, kCommandSent);
}

bool ConverterCommands::StartWorker(void (ConverterCommands::*worker)(const std::string&), std::string successText) {
    SetResult(Outcome::None);
    running_ = true;
    if (context_.StartWorker([this, worker, text = std::move(successText)] { (this->*worker)(text); })) return true;
    // No thread: undo the start so that the window is usable again.
    context_.converterTransaction().busy = 0;
    CleanUp();
    return false;
}

void ConverterCommands::ReadWorker(const std::string&) {
    ConverterTransaction& converterTransaction = context_.converterTransaction();
    converterTransaction.CreateEvents({ConverterReply::Error, ConverterReply::Data});
    for (std::size_t i = 0; i < converterTransaction.commandList.size() && converterTransaction.busy == 1; ++i) {
        context_.SendRequest(kConverterAddress, converterTransaction.commandList[i],
                             converterTransaction.DescriptionAt(i));
        // The error reply is tested first; a positive reply "$" signals
        // nothing here (converter event 1 does not exist during a read).
        const ConverterReply r =
            converterTransaction.Wait({ConverterReply::Error, ConverterReply::Data}, limits::kReply);
        if (r == ConverterReply::Data) continue;
        if (r == ConverterReply::Error)
            ShowErrorReply();
        else if (r == ConverterReply::Timeout)
            ShowTimeout();
        converterTransaction.busy = 0;  // a failed wait ends the read without an outcome
    }
    if (converterTransaction.busy == 1) {
        converterTransaction.busy = 0;
        const std::string report = converterTransaction.Report();
        SetResult(Outcome::Report, report);
        ShowMessageAndWait(kCaptionInformation, report, false);
    }
    CleanUp();
}

void ConverterCommands::SingleCommandWorker(const std::string& successText) {
    ConverterTransaction& converterTransaction = context_.converterTransaction();
    converterTransaction.CreateEvents({ConverterReply::Positive, ConverterReply::Error});
    context_.SendRequest(kConverterAddress, converterTransaction.CommandAt(0), converterTransaction.DescriptionAt(0));
    const ConverterReply r =
        converterTransaction.Wait({ConverterReply::Positive, ConverterReply::Error}, limits::kReply);
    if (r == ConverterReply::Positive) {
        SetResult(Outcome::Done);
        ShowMessageAndWait(kCaptionInformation, successText, false);
    } else if (r == ConverterReply::Error) {
        ShowErrorReply();
    } else if (r == ConverterReply::Timeout) {
        ShowTimeout();
    }
    converterTransaction.busy = 0;
    CleanUp();
}

// The end of every converter command, in this order: (busy flag already
// cleared) events closed, lists emptied, command controls enabled.
void ConverterCommands::CleanUp() {
    ConverterTransaction& converterTransaction = context_.converterTransaction();
    converterTransaction.CloseEvents();
    converterTransaction.commandList.clear();
    converterTransaction.descriptionList.clear();
    context_.EnableCommandControls(true);
    running_ = false;
}

void ConverterCommands::ShowMessageAndWait(const char* caption, const std::string& text, bool warning) {
    const std::string captionText = caption;
    context_.RunOnUi([this, &captionText, &text, warning] {
        context_.view().ShowMessage(captionText, text, warning ? MessageIcon::Warning : MessageIcon::Information);
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
    context_.MonitorTimeout(kConverterAddress);
    SetResult(Outcome::Timeout);
    ShowMessageAndWait(kCaptionWarning, kConverterTimeout, true);
}

ConverterCommands::Result ConverterCommands::LastResult() const {
    std::lock_guard lock(resultMutex_);
    return result_;
}

}  // namespace tulex
