// The diagnostic commands of the controller menu: the memory test, the line test, the
// four relay tests and the raw controller command, with their workers.

#include "app/DiagnosticCommands.h"

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "app/LineSession.h"
#include "app/Timing.h"
#include "app/Transaction.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex {

namespace {

constexpr const char* kTryAgain = "Ошибка. Попробуйте повторить тест.";
constexpr const char* kAttempts = "Попыток — ";
constexpr const char* kCancelLine = "   CANCEL";

// The memory test gives its result within 60 steps of one second.
constexpr int kEepromCountdown = 60;
constexpr std::chrono::milliseconds kEepromStep = limits::kEepromTest / kEepromCountdown;
// A relay test pauses for the relay's hold time plus this margin.
constexpr std::chrono::milliseconds kHoldUnit{100};
constexpr std::chrono::milliseconds kPauseMargin{100};

// Entry i of a command or description list ("" if the list is shorter), so
// that no exception can leave the worker thread.
std::string Entry(const std::vector<std::string>& list, std::size_t i) {
    return i < list.size() ? list[i] : std::string();
}

std::string WithAttempts(const std::string& text, int attempts) { return text + kAttempts + std::to_string(attempts); }

// How a bounded buffer clearing ended.
enum class Clearing { Acknowledged, Cancelled, Expired, Ended };

// The buffer clearing of the transactions (short frames FF FD ? and
// FF target ?, 100 ms a pass, until the next "!"), bounded for the memory
// and relay tests: it gives up at `deadline` and, when asked, ends on the
// cancel event, so that a controller that falls silent after its
// acknowledgement can neither hold the memory test past its 60 seconds nor
// make "Остановить" useless in the relay test. Ended: the port closed, the
// busy flag dropped or a wait failed.
Clearing ClearBufferUntil(LineSession& session, std::chrono::steady_clock::time_point deadline, bool watchCancel) {
    ControllerTransaction& transaction = session.transaction;
    while (session.IsPortOpen() && transaction.busy) {
        if (std::chrono::steady_clock::now() >= deadline) return Clearing::Expired;
        const std::uint8_t target = transaction.target;
        session.SendShortFrame(target, kBufferTarget, "Чистка буфера контроллера");
        session.SendShortFrame(target, target, "Запрос контроллера");
        const WaitResult r =
            watchCancel ? WaitForAny({transaction.EventFor(ControllerTransaction::kReply1),
                                      transaction.EventFor(ControllerTransaction::kCancel)},
                                     Limit(limits::kClearPass))
                        : WaitFor(transaction.EventFor(ControllerTransaction::kReply1), Limit(limits::kClearPass));
        if (r.is(0)) return Clearing::Acknowledged;
        if (r.is(1)) return Clearing::Cancelled;
        if (r.failed()) return Clearing::Ended;
    }
    return Clearing::Ended;
}

// The end of a line or relay test whose request was not answered with "!"
// or "$": the error reply, "Остановить" (the cancel event, fourth in the
// wait) or a time-out, with the attempts made so far.
void ShowTestEnd(LineSession& session, const WaitResult& r, int attempts, const std::string& finishedText) {
    ControllerTransaction& transaction = session.transaction;
    if (r.is(2)) {
        transaction.ShowFailure(WithAttempts("Контроллера нет в линии. ", attempts));
    } else if (r.is(3)) {
        session.MonitorAdd(kCancelLine);
        transaction.ShowSuccess(WithAttempts(finishedText, attempts));
    } else {
        session.MonitorAdd("   TIMEOUT");
        transaction.ShowFailure(WithAttempts("Время ожидания ответа истекло. ", attempts));
    }
}

// A test's request answered, "Остановить" pressed or the time passed.
WaitResult WaitForTestReply(ControllerTransaction& transaction) {
    return WaitForAny(
        {transaction.EventFor(ControllerTransaction::kReply1), transaction.EventFor(ControllerTransaction::kReply2),
         transaction.EventFor(ControllerTransaction::kReply3), transaction.EventFor(ControllerTransaction::kCancel)},
        Limit(limits::kReply));
}

// One attempt of a repeating test: its number goes into the balloon and into
// the request's description.
WaitResult TestAttempt(LineSession& session, const std::string& command, const std::string& description, int attempt) {
    const std::string progress = description + std::to_string(attempt);
    session.SetBalloonText(progress);
    session.SendRequest(session.transaction.target, command, progress);
    return WaitForTestReply(session.transaction);
}

// ---------------------------------------------------------------- memory test

void MemoryTestWorker(LineSession& session) {
    ControllerTransaction& transaction = session.transaction;
    transaction.ShowWaiting();
    session.ShowControllerBalloon();
    transaction.CreateEvents({ControllerTransaction::kReply1, ControllerTransaction::kReply2,
                              ControllerTransaction::kReply3, ControllerTransaction::kData});
    session.SendRequest(transaction.target, Entry(transaction.commandList, 0), Entry(transaction.descriptionList, 0));
    const WaitResult r = WaitForReply(transaction);
    if (!RequestAccepted(session, r)) return;
    // The controller accepted the test; its result comes as a data reply
    // once the test has run, so wait for it one second at a time.
    const bool acknowledged = r.is(0);
    int countdown = kEepromCountdown;
    while (transaction.busy) {
        // After the acknowledgement the buffer is cleared on every pass; a
        // controller that stays silent meanwhile uses up this second.
        std::chrono::milliseconds wait = Limit(kEepromStep);
        if (acknowledged &&
            ClearBufferUntil(session, std::chrono::steady_clock::now() + wait, false) == Clearing::Expired)
            wait = std::chrono::milliseconds(0);
        const WaitResult d = WaitFor(transaction.EventFor(ControllerTransaction::kData), wait);
        if (d.signalled()) {
            const MemoryTestVerdict verdict = EvaluateMemoryTest(transaction.ReplyData());
            if (verdict.success)
                transaction.ShowSuccess(verdict.text);
            else
                transaction.ShowFailure(verdict.text);
            return EndTransaction(session);
        }
        // A wait that fails cannot succeed on the next pass either.
        if (d.failed()) break;
        session.SetBalloonText("Тест памяти. Ожидание: " + std::to_string(countdown) + " с");
        if (--countdown == 0) {
            ShowTimeout(session);
            return EndTransaction(session);
        }
    }
    // Stopped from outside (the window closed): no outcome to show.
    EndTransaction(session, false);
}

// ------------------------------------------------------------------ line test

void LineTestWorker(LineSession& session) {
    ControllerTransaction& transaction = session.transaction;
    transaction.ShowWaiting();
    session.ShowControllerBalloon();
    transaction.CreateEvents({ControllerTransaction::kReply1, ControllerTransaction::kReply2,
                              ControllerTransaction::kReply3, ControllerTransaction::kCancel});
    const std::string command = Entry(transaction.commandList, 0);
    const std::string description = Entry(transaction.descriptionList, 0);
    int attempts = 0;
    while (transaction.busy) {
        const WaitResult r = TestAttempt(session, command, description, ++attempts);
        if (r.is(0) || r.is(1)) continue;  // answered: the next request at once
        if (r.failed()) break;             // would fail again at once: no request storm
        ShowTestEnd(session, r, attempts, "Тест линии завершен. ");
        return EndTransaction(session);
    }
    EndTransaction(session, false);
}

// ----------------------------------------------------------------- relay test

struct RelayCommands {
    const char* timeRequest;
    const char* trigger;
};
constexpr std::array<RelayCommands, 4> kRelays{{{"$$10", ">"}, {"$$11", "<"}, {"$$16", "08"}, {"$$17", "09"}}};

// The trigger loop: one trigger per hold time plus 100 ms for as long as the
// controller acknowledges. Sets the outcome; false if a wait failed outright
// or the window stopped the test (no outcome then).
bool RelayTriggerLoop(LineSession& session, int holdTime) {
    ControllerTransaction& transaction = session.transaction;
    const std::string command = Entry(transaction.commandList, 1);
    const std::string description = Entry(transaction.descriptionList, 1);
    const auto pause = Limit(holdTime * kHoldUnit + kPauseMargin);
    int attempts = 0;
    while (transaction.busy) {
        const WaitResult r = TestAttempt(session, command, description, ++attempts);
        if (r.failed()) return false;
        if (r.is(0) || r.is(1)) {
            // The pause waits on the cancel event, so a stop ends it at once.
            const WaitResult p = WaitFor(transaction.EventFor(ControllerTransaction::kCancel), pause);
            if (p.failed()) return false;
            if (p.signalled()) {
                session.MonitorAdd(kCancelLine);
                transaction.ShowSuccess(WithAttempts("Тест реле завершен. ", attempts));
                return true;
            }
            continue;
        }
        ShowTestEnd(session, r, attempts, "Тест реле завершен. ");
        return true;
    }
    return false;
}

// The time request, the hold time and the trigger loop. Returns whether an
// outcome was set.
bool RelayTest(LineSession& session) {
    ControllerTransaction& transaction = session.transaction;
    session.SendRequest(transaction.target, Entry(transaction.commandList, 0), Entry(transaction.descriptionList, 0));
    const WaitResult r = WaitForTestReply(transaction);
    if (r.failed()) return false;
    if (r.is(2)) {
        transaction.ShowFailure(kNotOnLine);
        return true;
    }
    if (r.is(3)) {
        session.MonitorAdd(kCancelLine);
        transaction.ShowSuccess("Тест реле завершен.");
        return true;
    }
    if (r.timedOut()) {
        ShowTimeout(session);
        return true;
    }
    if (r.is(0) &&
        ClearBufferUntil(session, std::chrono::steady_clock::time_point::max(), true) == Clearing::Cancelled) {
        session.MonitorAdd(kCancelLine);
        transaction.ShowSuccess("Тест реле завершен.");
        return true;
    }
    // The hold time comes as a data reply. A stop while it is awaited ends
    // the test before the relay is switched even once.
    const WaitResult d = WaitForAny(
        {transaction.EventFor(ControllerTransaction::kData), transaction.EventFor(ControllerTransaction::kCancel)},
        Limit(limits::kData));
    if (d.failed()) return false;
    if (d.is(1)) {
        session.MonitorAdd(kCancelLine);
        transaction.ShowSuccess("Тест реле завершен.");
        return true;
    }
    if (d.timedOut()) {
        session.MonitorAdd("   TIMEOUT");
        transaction.ShowFailure(WithAttempts("Время ожидания ответа истекло. ", 0));
        return true;
    }
    const std::optional<int> holdTime = ReadHoldTime(transaction.ReplyData());
    if (!holdTime) {
        transaction.ShowFailure(kTryAgain);
        return true;
    }
    return RelayTriggerLoop(session, *holdTime);
}

void RelayTestWorker(LineSession& session) {
    ControllerTransaction& transaction = session.transaction;
    transaction.ShowWaiting();
    session.ShowControllerBalloon();
    transaction.CreateEvents({ControllerTransaction::kReply1, ControllerTransaction::kReply2,
                              ControllerTransaction::kReply3, ControllerTransaction::kData,
                              ControllerTransaction::kCancel});
    const bool outcome = RelayTest(session);
    EndTransaction(session, outcome);
}

void StartRelayTest(ControllerCommands& commands, LineSession& session, int relay) {
    if (!commands.CheckPort()) return;
    const std::string k = std::to_string(relay);
    const std::string question =
        "Тест реле выполнять только для демонтированного контроллера.\n\n"
        "Датчики должны быть отключены.\n\n"
        "Начать тест реле " +
        k + "?";
    if (!session.view().AskYesNo(kCaptionWarning, question)) return;
    const RelayCommands& r = kRelays.at(static_cast<std::size_t>(relay - 1));
    StartTransaction(session, {r.timeRequest, r.trigger},
                     {"Тест реле " + k + ": Запрос времени", "Тест реле " + k + ": Попытка "},
                     [&session] { RelayTestWorker(session); });
}

}  // namespace

MemoryTestVerdict EvaluateMemoryTest(std::string_view replyData) {
    const char first = replyData.size() >= 1 ? replyData[0] : '\0';
    const char second = replyData.size() >= 2 ? replyData[1] : '\0';
    if (first == '2' && second == '1') return {true, "Тест памяти завершен успешно."};
    if (first == '4' && second == '5') return {false, "Тест памяти завершен с ошибкой."};
    return {false, kTryAgain};
}

std::optional<int> ReadHoldTime(std::string_view replyData) {
    const std::optional<std::uint8_t> value = ParseHexByte(replyData.substr(0, 2));
    if (!value) return std::nullopt;
    return *value;
}

void ControllerCommands::TestMemory() {
    if (!CheckPort()) return;
    StartTransaction(session_, {"/8"}, {"Тест памяти"}, [this] { MemoryTestWorker(session_); });
}

void ControllerCommands::TestLine() {
    if (!CheckPort()) return;
    StartTransaction(session_, {"$$02"}, {"Тест линии: Попытка "}, [this] { LineTestWorker(session_); });
}

void ControllerCommands::TestRelay(int relay) {
    if (relay >= 1 && relay <= 4) StartRelayTest(*this, session_, relay);
}

void ControllerCommands::RunRawCommand() {
    if (!CheckPort()) return;
    const std::optional<std::string> typed =
        session_.view().InputQuery("Выполнить команду", "Команда контроллеру:", session_.transaction.rawCommandText);
    if (!typed) return;
    session_.transaction.rawCommandText = *typed;  // kept exactly as typed, also when empty
    // The line carries Windows-1251; a character it cannot carry would go out
    // as "?", the frame terminator, and cut the frame short.
    const std::optional<std::string> bytes = Utf8ToCp1251(*typed);
    if (!bytes) {
        session_.view().ShowMessage(kCaptionWarning, "Команда содержит символы, которые нельзя передать в линию.",
                                    MessageIcon::Warning);
        return;
    }
    StartTransaction(session_, {*bytes}, {"Команда контроллеру: " + *typed},
                     [this] { SingleExchangeWorker(session_, "Команда отправлена."); });
}

}  // namespace tulex
