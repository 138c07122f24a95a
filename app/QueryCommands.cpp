// "Проверить наличие контроллера", "Читать параметры контроллера" and
// "Изменить индекс контроллера" with the index-change worker.

#include <cstdint>
#include <string>

#include "app/CommandContext.h"
#include "app/ControllerCommands.h"
#include "app/Timing.h"
#include "app/Transaction.h"
#include "controller/IndexInput.h"
#include "line/Cp1251.h"

namespace tulex {

namespace {

std::string IndexText(std::uint8_t index) { return Cp1251ToUtf8(std::string(1, static_cast<char>(index))); }

void IndexChangeWorker(CommandContext& context, std::uint8_t oldIndex, std::uint8_t newIndex) {
    ControllerTransaction& transaction = context.transaction();
    const std::string probe = transaction.commandList.at(0);
    const std::string setIndex = transaction.commandList.at(1);
    const std::string probeDescription = transaction.descriptionList.at(0);
    const std::string setDescription = transaction.descriptionList.at(1);

    transaction.ShowWaiting();
    context.ShowControllerBalloon();
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error});

    // Is the new index taken? An error reply, a time-out or a failed wait
    // all mean it is free.
    transaction.target = newIndex;
    context.SendRequest(newIndex, probe, probeDescription);
    const Reply r = WaitForReply(transaction, limits::kReply);
    if (r == Reply::Ack || r == Reply::Positive) {
        if (r == Reply::Ack) ClearControllerBuffer(context);
        transaction.ShowFailure("Контроллер с индексом " + IndexText(newIndex) + " уже есть в линии.");
        return EndTransaction(context);
    }
    if (r == Reply::Timeout) context.MonitorTimeout(newIndex);

    // The index command: its acknowledgement needs no buffer clearing (the
    // controller may already have left the old index).
    switch (RepeatUntilAnswered(context, oldIndex, setIndex, setDescription, false)) {
    case LoopEnd::Answered: break;
    case LoopEnd::ErrorReplies:
    case LoopEnd::Timeouts: return EndTransaction(context);
    case LoopEnd::Stopped: return EndTransaction(context, false);
    }
    // The controller answers under its new index now.
    switch (RepeatUntilAnswered(context, newIndex, probe, probeDescription, true)) {
    case LoopEnd::Answered: break;
    case LoopEnd::ErrorReplies:
    case LoopEnd::Timeouts: return EndTransaction(context);
    case LoopEnd::Stopped: return EndTransaction(context, false);
    }
    context.map().RemoveIndex(oldIndex, MapSet::Present);
    context.map().RemoveIndex(oldIndex, MapSet::ReplyOnly);
    context.UpdateCounter(MapSet::Present);
    context.UpdateCounter(MapSet::ReplyOnly);
    transaction.ShowSuccess("Контроллер переименован.");
    EndTransaction(context);
}

}  // namespace

void ControllerCommands::CheckPresence() {
    if (!CanStart()) return;
    CommandContext& context = context_;
    StartTransaction(context, {"$$02"}, {"Проверка наличия контроллера"},
                     [&context] { SingleExchangeWorker(context, "Контроллер есть в линии."); });
}

void ControllerCommands::ReadParameters() {
    if (!CanStart()) return;
    CommandContext& context = context_;
    StartTransaction(context, {"$$02011310111617121819"}, {"Чтение параметров контроллера"}, [&context] {
        DataReplyWorker(context, [](ControllerTransaction& transaction, const std::string& data) {
            transaction.ReportParameters(data);
        });
    });
}

void ControllerCommands::ChangeIndex() {
    if (!CanStart()) return;
    ControllerTransaction& transaction = context_.transaction();
    const auto typed = context_.view().InputQuery(kIndexDialogCaption, kIndexDialogPrompt, transaction.indexText);
    if (!typed) return;
    const IndexInput input = CheckIndexInput(*typed);
    transaction.indexText = input.trimmed;
    if (!input.accepted) {
        context_.view().ShowMessage(input.messageCaption, input.messageText, MessageIcon::Warning);
        return;
    }
    const std::uint8_t oldIndex = context_.map().SelectedIndex();
    const std::uint8_t newIndex = input.index;
    const std::string prefix = "Изменение индекса контроллера " + IndexText(oldIndex);
    std::string setIndex = "$0";
    setIndex += static_cast<char>(newIndex);
    setIndex += static_cast<char>(newIndex);
    CommandContext& context = context_;
    StartTransaction(context, {"$$02", setIndex},
                     {prefix + ": Проверка наличия контроллера", prefix + ": Установка индекса " + IndexText(newIndex)},
                     [&context, oldIndex, newIndex] { IndexChangeWorker(context, oldIndex, newIndex); });
}

}  // namespace tulex
