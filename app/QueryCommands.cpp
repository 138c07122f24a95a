// "Проверить наличие контроллера", "Читать параметры контроллера" and
// "Изменить индекс контроллера" with the index-change worker.

#include <cstdint>
#include <string>

#include "app/ControllerCommands.h"
#include "app/TForm1.h"
#include "app/Timing.h"
#include "app/Transaction.h"
#include "controller/IndexInput.h"
#include "line/Cp1251.h"

namespace tulex {

namespace {

constexpr int kIndexErrorLimit = 15;    // error replies before the index change gives up
constexpr int kIndexTimeoutLimit = 3;   // time-outs before it gives up

std::string IndexText(std::uint8_t index) { return Cp1251ToUtf8(std::string(1, static_cast<char>(index))); }

enum class LoopEnd { Answered, Failed, Stopped };

// The repeated exchange of the index change: sends `command` to `target`
// until an acknowledgement or positive reply, 15 error replies or 3
// time-outs (counted apart), or the busy flag drops. With clearOnAck the
// controller's buffer is cleared after an acknowledgement.
LoopEnd RepeatUntilAnswered(TForm1& form, std::uint8_t target, const std::string& command,
                            const std::string& description, bool clearOnAck) {
    TUnit& unit = form.unit;
    int errors = 0;
    int timeouts = 0;
    while (unit.busy) {
        unit.target = target;
        form.SendRequest(target, command, description);
        const WaitResult r = WaitForReply(unit, limits::kIndexLoop);
        if (r.is(0)) {
            if (clearOnAck) ClearControllerBuffer(form);
            return LoopEnd::Answered;
        }
        if (r.is(1)) return LoopEnd::Answered;
        if (r.is(2)) {
            if (++errors == kIndexErrorLimit) {
                unit.ShowFailure(kNotOnLine);
                return LoopEnd::Failed;
            }
        } else if (r.timedOut()) {
            if (++timeouts == kIndexTimeoutLimit) {
                ShowTimeout(form);
                return LoopEnd::Failed;
            }
        }
        // A failed wait is simply repeated.
    }
    return LoopEnd::Stopped;
}

void IndexChangeWorker(TForm1& form, std::uint8_t oldIndex, std::uint8_t newIndex) {
    TUnit& unit = form.unit;
    const std::string probe = unit.commandList.at(0);
    const std::string setIndex = unit.commandList.at(1);
    const std::string probeDescription = unit.descriptionList.at(0);
    const std::string setDescription = unit.descriptionList.at(1);

    unit.ShowWaiting();
    form.ShowUnitHint();
    unit.CreateEvents({TUnit::kReply1, TUnit::kReply2, TUnit::kReply3});

    // Is the new index taken? An error reply, a time-out or a failed wait
    // all mean it is free.
    unit.target = newIndex;
    form.SendRequest(newIndex, probe, probeDescription);
    const WaitResult r = WaitForReply(unit, limits::kReply);
    if (r.is(0) || r.is(1)) {
        if (r.is(0)) ClearControllerBuffer(form);
        unit.ShowFailure("Контроллер с индексом " + IndexText(newIndex) + " уже есть в линии.");
        return EndTransaction(form);
    }
    if (r.timedOut()) form.MonitorAdd("   TIMEOUT");

    // The index command: its acknowledgement needs no buffer clearing (the
    // controller may already have left the old index).
    switch (RepeatUntilAnswered(form, oldIndex, setIndex, setDescription, false)) {
    case LoopEnd::Answered: break;
    case LoopEnd::Failed: return EndTransaction(form);
    case LoopEnd::Stopped: return EndTransaction(form, false);
    }
    // The controller answers under its new index now.
    switch (RepeatUntilAnswered(form, newIndex, probe, probeDescription, true)) {
    case LoopEnd::Answered: break;
    case LoopEnd::Failed: return EndTransaction(form);
    case LoopEnd::Stopped: return EndTransaction(form, false);
    }
    form.map.RemoveIndex(oldIndex, MapSet::Present);
    form.map.RemoveIndex(oldIndex, MapSet::ReplyOnly);
    form.UpdateCounter(MapSet::Present);
    form.UpdateCounter(MapSet::ReplyOnly);
    unit.ShowSuccess("Контроллер переименован.");
    EndTransaction(form);
}

}  // namespace

void ControllerCommands::N11Click() {
    if (!CanStart()) return;
    TForm1& form = form_;
    StartTransaction(form, {"$$02"}, {"Проверка наличия контроллера"},
                     [&form] { SingleExchangeWorker(form, "Контроллер есть в линии."); });
}

void ControllerCommands::N31Click() {
    if (!CanStart()) return;
    TForm1& form = form_;
    StartTransaction(form, {"$$02011310111617121819"}, {"Чтение параметров контроллера"}, [&form] {
        DataReplyWorker(form, [](TUnit& unit, const std::string& data) { unit.ReportParameters(data); });
    });
}

void ControllerCommands::N21Click() {
    if (!CanStart()) return;
    TUnit& unit = form_.unit;
    const auto typed = form_.view().InputQuery(kIndexDialogCaption, kIndexDialogPrompt, unit.indexText);
    if (!typed) return;
    const IndexInput input = CheckIndexInput(*typed);
    unit.indexText = input.trimmed;
    if (!input.accepted) {
        form_.view().ShowMessage(input.messageCaption, input.messageText, MessageIcon::Warning);
        return;
    }
    const std::uint8_t oldIndex = form_.map.SelectedIndex();
    const std::uint8_t newIndex = input.index;
    const std::string prefix = "Изменение индекса контроллера " + IndexText(oldIndex);
    std::string setIndex = "$0";
    setIndex += static_cast<char>(newIndex);
    setIndex += static_cast<char>(newIndex);
    TForm1& form = form_;
    StartTransaction(form, {"$$02", setIndex},
                     {prefix + ": Проверка наличия контроллера", prefix + ": Установка индекса " + IndexText(newIndex)},
                     [&form, oldIndex, newIndex] { IndexChangeWorker(form, oldIndex, newIndex); });
}

}  // namespace tulex
