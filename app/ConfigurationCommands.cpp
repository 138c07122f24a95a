// The setting commands of PopupMenu1: the five standard parameter sets, the
// three operating modes with their read-modify-write worker, the relay hold
// times and the master card.

#include <cctype>
#include <string>

#include "app/ControllerCommands.h"
#include "app/TForm1.h"
#include "app/Timing.h"
#include "app/Transaction.h"
#include "controller/RelayTimeInput.h"

namespace tulex {

namespace {

struct StandardSet {
    const char* caption;
    const char* command;
};

// Registers 13, 10, 11, 16, 17, 12, 18, 19 of each set.
constexpr StandardSet kStandardSets[] = {
    {"Дверь без датчика положения", "!13401014111416141714121418031913"},
    {"Дверь с датчиком положения", "!13431014111416141714121418631973"},
    {"Турникет без подтверждения прохода", "!134710051105160517051214182F191F"},
    {"Турникет с подтверждением прохода", "!134710051105160517051214186F195F"},
    {"Регистрационный терминал", "!1300100F110F161E170A121418FF19FF"},
};

struct Mode {
    char digit;  // high digit of register 13
    const char* description;
    const char* result;
};

constexpr Mode kModes[] = {
    {'4', "Изменение режима работы контроллера: Off-line", "Off-line режим установлен."},
    {'0', "Изменение режима работы контроллера: On-line", "On-line режим установлен."},
    {'6', "Изменение режима работы контроллера: Автономный", "Автономный режим установлен."},
};

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

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Reads register 13 and writes it back with the new mode digit, keeping its
// low digit (the option bits).
void ModeWorker(TForm1& form) {
    TUnit& unit = form.unit;
    const std::string read = unit.commandList.at(0);
    const std::string write = unit.commandList.at(1);
    const std::string readDescription = unit.descriptionList.at(0);
    const std::string writeDescription = unit.descriptionList.at(1);
    const std::string resultText = unit.descriptionList.at(2);

    unit.ShowWaiting();
    form.ShowUnitHint();
    unit.CreateEvents({TUnit::kReply1, TUnit::kReply2, TUnit::kReply3, TUnit::kData});
    form.SendRequest(unit.target, read, readDescription);
    const WaitResult r = WaitForReply(unit);
    if (!RequestAccepted(form, r)) return;
    if (r.is(0)) ClearControllerBuffer(form);
    const WaitResult d = WaitFor(unit.EventFor(TUnit::kData), Limit(limits::kData));
    if (d.failed()) return EndTransaction(form, false);
    if (d.timedOut()) {
        ShowTimeout(form);
        return EndTransaction(form);
    }
    const std::string data = unit.ReplyData();
    if (data.size() < 2 || !IsHexDigit(data[1])) {
        unit.ShowFailure(kBadModeReply);
        return EndTransaction(form);
    }
    // Register values go on the line as upper-case hex digits.
    const std::string command = write + static_cast<char>(std::toupper(static_cast<unsigned char>(data[1])));
    form.SendRequest(unit.target, command, writeDescription);
    EndWithReplyOutcome(form, WaitForReply(unit), resultText);
}

}  // namespace

void ControllerCommands::StandardSet(int entry) {
    if (!CanStart()) return;
    const auto& set = kStandardSets[entry];
    const std::string caption = set.caption;
    if (!form_.view().AskYesNo("Изменение параметров контроллера",
                               "Задать параметры контроллера\n\n" + caption + "?"))
        return;
    TForm1& form = form_;
    StartTransaction(form, {set.command}, {"Изменение параметров контроллера: " + caption},
                     [&form] { SingleExchangeWorker(form, "Праметры контроллера изменены."); });
}

void ControllerCommands::N7Click() { StandardSet(0); }
void ControllerCommands::N23Click() { StandardSet(1); }
void ControllerCommands::N8Click() { StandardSet(2); }
void ControllerCommands::N20Click() { StandardSet(3); }
void ControllerCommands::N25Click() { StandardSet(4); }

void ControllerCommands::SetMode(int entry) {
    if (!CanStart()) return;
    const Mode& mode = kModes[entry];
    std::string write = "!13";
    write += mode.digit;  // the low digit is added from the controller's reply
    TForm1& form = form_;
    StartTransaction(form, {"$$13", write},
                     {"Изменение режима работы контроллера: Запрос режима работы", mode.description, mode.result},
                     [&form] { ModeWorker(form); });
}

void ControllerCommands::Offline1Click() { SetMode(0); }
void ControllerCommands::Online1Click() { SetMode(1); }
void ControllerCommands::N13Click() { SetMode(2); }

void ControllerCommands::N28Click() {
    if (!CanStart()) return;
    if (!form_.view().AskYesNo("Задание мастер-карты",
                               "Убедитесь, что контроллер работает в автономном режиме.\n\n"
                               "Начать ожидание мастер-карты?"))
        return;
    TForm1& form = form_;
    StartTransaction(form, {"$4"}, {"Задание мастер-карты"},
                     [&form] { SingleExchangeWorker(form, "Поднесите мастер-карту."); });
}

void ControllerCommands::N29Click() {
    if (!CanStart()) return;
    TForm1& form = form_;
    StartTransaction(form, {"$$20212223241415"}, {"Чтение мастер-карты"}, [&form] {
        DataReplyWorker(form, [](TUnit& unit, const std::string& data) { unit.ReportMasterCard(data); });
    });
}

void ControllerCommands::RelayHoldTime(int relay) {
    if (!CanStart()) return;
    const Relay& r = kRelays[relay];
    TUnit& unit = form_.unit;
    const auto typed = form_.view().InputQuery(r.caption, kRelayTimePrompt, unit.relayTimeText);
    if (!typed) return;
    const RelayTimeInput input = CheckRelayTimeInput(*typed);
    unit.relayTimeText = input.trimmed;
    if (!input.accepted) {
        form_.view().ShowMessage(kCaptionInformation, input.messageText, MessageIcon::Warning);
        return;
    }
    TForm1& form = form_;
    StartTransaction(form, {r.commandPrefix + input.hex}, {r.descriptionPrefix + input.trimmed + " с"},
                     [&form] { SingleExchangeWorker(form, "Время удержания реле установлено."); });
}

void ControllerCommands::N15Click() { RelayHoldTime(0); }
void ControllerCommands::N22Click() { RelayHoldTime(1); }
void ControllerCommands::N32Click() { RelayHoldTime(2); }
void ControllerCommands::N42Click() { RelayHoldTime(3); }

}  // namespace tulex
