// The setting commands of the controller menu: the five standard parameter sets, the
// three operating modes with their read-modify-write worker, the relay hold
// times and the master card.

#include <cctype>
#include <string>

#include "app/CommandContext.h"
#include "app/ControllerCommands.h"
#include "app/Timing.h"
#include "app/Transaction.h"
#include "controller/RelayTimeInput.h"
#include "controller/StandardSets.h"
#include "line/HexDigits.h"

namespace tulex {

namespace {

struct Relay {
    const char* caption;
    const char* commandPrefix;
    const char* descriptionPrefix;
};

constexpr Relay kRelays[] = {
    {"Реле 1", "!10", "Изменение параметров реле 1: "},
    {"Реле 2", "!11", "Изменение параметров реле 2: "},
    {"Реле 3", "!16", "Изменение параметров реле 3: "},
    {"Реле 4", "!17", "Изменение параметров реле 4: "},
};

// A "$$13" reply that gives no low digit to keep: the write is not sent, as
// it would put an arbitrary byte into register 13.
constexpr const char* kBadModeReply = "Неверный ответ контроллера.";

// Reads register 13 and writes it back with the new mode digit, keeping its
// low digit (the option bits).
void ModeWorker(CommandContext& context) {
    ControllerTransaction& transaction = context.transaction();
    const std::string read = transaction.commandList.at(0);
    const std::string write = transaction.commandList.at(1);
    const std::string readDescription = transaction.descriptionList.at(0);
    const std::string writeDescription = transaction.descriptionList.at(1);
    const std::string resultText = transaction.descriptionList.at(2);

    transaction.ShowWaiting();
    context.ShowControllerBalloon();
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Data});
    context.SendRequest(transaction.target, read, readDescription);
    const Reply r = WaitForReply(transaction);
    if (!RequestAccepted(context, r)) return;
    if (r == Reply::Ack) ClearControllerBuffer(context);
    const Reply d = transaction.Wait({Reply::Data}, limits::kData);
    if (d == Reply::Failed) return EndTransaction(context, false);
    if (d == Reply::Timeout) {
        ShowTimeout(context);
        return EndTransaction(context);
    }
    const std::string data = transaction.ReplyData();
    if (data.size() < 2 || !IsHexDigit(data[1])) {
        transaction.ShowFailure(kBadModeReply);
        return EndTransaction(context);
    }
    // Register values go on the line as upper-case hex digits.
    const std::string command = write + static_cast<char>(std::toupper(static_cast<unsigned char>(data[1])));
    context.SendRequest(transaction.target, command, writeDescription);
    EndWithReplyOutcome(context, WaitForReply(transaction), resultText);
}

}  // namespace

void ControllerCommands::ApplyPreset(Preset preset) {
    if (!CanStart()) return;
    const StandardSet& set = StandardSets().at(static_cast<std::size_t>(preset));
    const std::string caption = set.caption;
    if (!context_.view().AskYesNo("Изменение параметров контроллера",
                                  "Задать параметры контроллера\n\n" + caption + "?"))
        return;
    CommandContext& context = context_;
    StartTransaction(context, {set.command}, {"Изменение параметров контроллера: " + caption},
                     [&context] { SingleExchangeWorker(context, "Праметры контроллера изменены."); });
}

void ControllerCommands::SetMode(Mode chosen) {
    if (!CanStart()) return;
    const ModeSetting& mode = kModeSettings.at(static_cast<std::size_t>(chosen));
    std::string write = "!13";
    write += mode.digit;  // the low digit is added from the controller's reply
    CommandContext& context = context_;
    StartTransaction(context, {"$$13", write},
                     {"Изменение режима работы контроллера: Запрос режима работы", mode.description, mode.result},
                     [&context] { ModeWorker(context); });
}

void ControllerCommands::SetMasterCard() {
    if (!CanStart()) return;
    if (!context_.view().AskYesNo("Задание мастер-карты",
                                  "Убедитесь, что контроллер работает в автономном режиме.\n\n"
                                  "Начать ожидание мастер-карты?"))
        return;
    CommandContext& context = context_;
    StartTransaction(context, {"$4"}, {"Задание мастер-карты"},
                     [&context] { SingleExchangeWorker(context, "Поднесите мастер-карту."); });
}

void ControllerCommands::ReadMasterCard() {
    if (!CanStart()) return;
    CommandContext& context = context_;
    StartTransaction(context, {"$$20212223241415"}, {"Чтение мастер-карты"}, [&context] {
        DataReplyWorker(context, [](ControllerTransaction& transaction, const std::string& data) {
            transaction.ReportMasterCard(data);
        });
    });
}

void ControllerCommands::SetRelayTime(int relay) {
    if (relay < 1 || relay > 4 || !CanStart()) return;
    const Relay& r = kRelays[relay - 1];
    ControllerTransaction& transaction = context_.transaction();
    const auto typed = context_.view().InputQuery(r.caption, kRelayTimePrompt, transaction.relayTimeText);
    if (!typed) return;
    const RelayTimeInput input = CheckRelayTimeInput(*typed);
    transaction.relayTimeText = input.trimmed;
    if (!input.accepted) {
        context_.view().ShowMessage(kCaptionInformation, input.messageText, MessageIcon::Warning);
        return;
    }
    CommandContext& context = context_;
    StartTransaction(context, {r.commandPrefix + input.hex}, {r.descriptionPrefix + input.trimmed + " с"},
                     [&context] { SingleExchangeWorker(context, "Время удержания реле установлено."); });
}

}  // namespace tulex
