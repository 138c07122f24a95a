// The diagnostic commands of the controller menu: the memory test, the line test, the
// four relay tests and the raw controller command, with their workers.

#include "app/DiagnosticCommands.h"

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "app/CommandContext.h"
#include "app/ControllerCommands.h"
#include "app/Summaries.h"
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
Clearing ClearBufferUntil(CommandContext& context, Clock::TimePoint deadline, bool watchCancel) {
    ControllerTransaction& transaction = context.transaction();
    while (context.IsPortOpen() && transaction.busy) {
        if (transaction.clock().Now() >= deadline) return Clearing::Expired;
        const std::uint8_t target = transaction.target;
        context.SendShortFrame(target, kBufferTarget, "Чистка буфера контроллера");
        context.SendShortFrame(target, target, "Запрос контроллера");
        const Reply r = watchCancel ? transaction.Wait({Reply::Ack, Reply::Cancel}, limits::kClearPass)
                                    : transaction.Wait({Reply::Ack}, limits::kClearPass);
        if (r == Reply::Ack) return Clearing::Acknowledged;
        if (r == Reply::Cancel) return Clearing::Cancelled;
        if (r == Reply::Failed) return Clearing::Ended;
    }
    return Clearing::Ended;
}

// The tally of a line or relay test under its balloon text and in the monitor.
void AddTally(CommandContext& context, const ExchangeTally& tally) {
    ControllerTransaction& transaction = context.transaction();
    const std::string text = TallyText(tally);
    transaction.balloonText += "\n" + text;
    context.MonitorAdd("   " + text);
}

// The end of a line or relay test whose request was not answered with "!"
// or "$": the error reply, "Остановить" or a time-out, with the attempts made
// so far. The balloon's text then says in a line of its own how many
// requests were sent and answered, and the monitor says it too.
void ShowTestEnd(CommandContext& context, Reply r, ExchangeTally tally, const std::string& finishedText) {
    ControllerTransaction& transaction = context.transaction();
    const int attempts = tally.sent;
    if (r == Reply::Error) {
        transaction.ShowFailure(WithAttempts("Контроллера нет в линии. ", attempts));
    } else if (r == Reply::Cancel) {
        context.MonitorAdd(kCancelLine);
        transaction.ShowSuccess(WithAttempts(finishedText, attempts));
    } else {
        context.MonitorTimeout(context.transaction().target);
        ++tally.timeouts;
        transaction.ShowFailure(WithAttempts("Время ожидания ответа истекло. ", attempts));
    }
    AddTally(context, tally);
}

// A test's request answered, "Остановить" pressed or the time passed.
Reply WaitForTestReply(ControllerTransaction& transaction) {
    return transaction.Wait({Reply::Ack, Reply::Positive, Reply::Error, Reply::Cancel}, limits::kReply);
}

// One attempt of a repeating test: its number goes into the balloon and into
// the request's description.
Reply TestAttempt(CommandContext& context, const std::string& command, const std::string& description, int attempt) {
    const std::string progress = description + std::to_string(attempt);
    context.SetBalloonText(progress);
    context.SendRequest(context.transaction().target, command, progress);
    return WaitForTestReply(context.transaction());
}

// ---------------------------------------------------------------- memory test

void MemoryTestWorker(CommandContext& context) {
    ControllerTransaction& transaction = context.transaction();
    transaction.ShowWaiting();
    context.ShowControllerBalloon();
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Data});
    context.SendRequest(transaction.target, transaction.CommandAt(0), transaction.DescriptionAt(0));
    const Reply r = WaitForReply(transaction);
    if (!RequestAccepted(context, r)) return;
    // The controller accepted the test; its result comes as a data reply
    // once the test has run, so wait for it one second at a time.
    const bool acknowledged = r == Reply::Ack;
    int countdown = kEepromCountdown;
    while (transaction.busy) {
        // After the acknowledgement the buffer is cleared on every pass; a
        // controller that stays silent meanwhile uses up this second.
        std::chrono::milliseconds wait = kEepromStep;
        if (acknowledged && ClearBufferUntil(context, transaction.clock().Now() + wait, false) == Clearing::Expired)
            wait = std::chrono::milliseconds(0);
        const Reply d = transaction.Wait({Reply::Data}, wait);
        if (d == Reply::Data) {
            const MemoryTestVerdict verdict = EvaluateMemoryTest(transaction.ReplyData());
            if (verdict.success)
                transaction.ShowSuccess(verdict.text);
            else
                transaction.ShowFailure(verdict.text);
            return EndTransaction(context);
        }
        // A wait that fails cannot succeed on the next pass either.
        if (d == Reply::Failed) break;
        context.SetBalloonText("Тест памяти. Ожидание: " + std::to_string(countdown) + " с");
        if (--countdown == 0) {
            ShowTimeout(context);
            return EndTransaction(context);
        }
    }
    // Stopped from outside (the window closed): no outcome to show.
    EndTransaction(context, false);
}

// ------------------------------------------------------------------ line test

void LineTestWorker(CommandContext& context) {
    ControllerTransaction& transaction = context.transaction();
    transaction.ShowWaiting();
    context.ShowControllerBalloon();
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Cancel});
    const std::string command = transaction.CommandAt(0);
    const std::string description = transaction.DescriptionAt(0);
    ExchangeTally tally;
    while (transaction.busy) {
        const Reply r = TestAttempt(context, command, description, ++tally.sent);
        if (r == Reply::Ack || r == Reply::Positive) {
            ++tally.answered;
            continue;  // answered: the next request at once
        }
        if (r == Reply::Failed) break;  // would fail again at once: no request storm
        ShowTestEnd(context, r, tally, "Тест линии завершен. ");
        return EndTransaction(context);
    }
    EndTransaction(context, false);
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
bool RelayTriggerLoop(CommandContext& context, int holdTime) {
    ControllerTransaction& transaction = context.transaction();
    const std::string command = transaction.CommandAt(1);
    const std::string description = transaction.DescriptionAt(1);
    const auto pause = holdTime * kHoldUnit + kPauseMargin;
    ExchangeTally tally;
    while (transaction.busy) {
        const Reply r = TestAttempt(context, command, description, ++tally.sent);
        if (r == Reply::Failed) return false;
        if (r == Reply::Ack || r == Reply::Positive) {
            ++tally.answered;
            // The pause waits for "Остановить", so a stop ends it at once.
            const Reply p = transaction.Wait({Reply::Cancel}, pause);
            if (p == Reply::Failed) return false;
            if (p == Reply::Cancel) {
                context.MonitorAdd(kCancelLine);
                transaction.ShowSuccess(WithAttempts("Тест реле завершен. ", tally.sent));
                AddTally(context, tally);
                return true;
            }
            continue;
        }
        ShowTestEnd(context, r, tally, "Тест реле завершен. ");
        return true;
    }
    return false;
}

// The time request, the hold time and the trigger loop. Returns whether an
// outcome was set.
bool RelayTest(CommandContext& context) {
    ControllerTransaction& transaction = context.transaction();
    context.SendRequest(transaction.target, transaction.CommandAt(0), transaction.DescriptionAt(0));
    const Reply r = WaitForTestReply(transaction);
    if (r == Reply::Failed) return false;
    if (r == Reply::Error) {
        transaction.ShowFailure(kNotOnLine);
        return true;
    }
    if (r == Reply::Cancel) {
        context.MonitorAdd(kCancelLine);
        transaction.ShowSuccess("Тест реле завершен.");
        return true;
    }
    if (r == Reply::Timeout) {
        ShowTimeout(context);
        return true;
    }
    if (r == Reply::Ack && ClearBufferUntil(context, Clock::TimePoint::max(), true) == Clearing::Cancelled) {
        context.MonitorAdd(kCancelLine);
        transaction.ShowSuccess("Тест реле завершен.");
        return true;
    }
    // The hold time comes as a data reply. A stop while it is awaited ends
    // the test before the relay is switched even once.
    const Reply d = transaction.Wait({Reply::Data, Reply::Cancel}, limits::kData);
    if (d == Reply::Failed) return false;
    if (d == Reply::Cancel) {
        context.MonitorAdd(kCancelLine);
        transaction.ShowSuccess("Тест реле завершен.");
        return true;
    }
    if (d == Reply::Timeout) {
        context.MonitorTimeout(context.transaction().target);
        transaction.ShowFailure(WithAttempts("Время ожидания ответа истекло. ", 0));
        return true;
    }
    const std::optional<int> holdTime = ReadHoldTime(transaction.ReplyData());
    if (!holdTime) {
        transaction.ShowFailure(kTryAgain);
        return true;
    }
    return RelayTriggerLoop(context, *holdTime);
}

void RelayTestWorker(CommandContext& context) {
    ControllerTransaction& transaction = context.transaction();
    transaction.ShowWaiting();
    context.ShowControllerBalloon();
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Data, Reply::Cancel});
    const bool outcome = RelayTest(context);
    EndTransaction(context, outcome);
}

void StartRelayTest(ControllerCommands& commands, CommandContext& context, int relay) {
    if (!commands.CheckPort()) return;
    const std::string k = std::to_string(relay);
    const std::string question =
        "Тест реле выполнять только для демонтированного контроллера.\n\n"
        "Датчики должны быть отключены.\n\n"
        "Начать тест реле " +
        k + "?";
    if (!context.view().AskYesNo(kCaptionWarning, question)) return;
    const RelayCommands& r = kRelays.at(static_cast<std::size_t>(relay - 1));
    StartTransaction(context, {r.timeRequest, r.trigger},
                     {"Тест реле " + k + ": Запрос времени", "Тест реле " + k + ": Попытка "},
                     [&context] { RelayTestWorker(context); });
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
    StartTransaction(context_, {"/8"}, {"Тест памяти"}, [this] { MemoryTestWorker(context_); });
}

void ControllerCommands::TestLine() {
    if (!CheckPort()) return;
    StartTransaction(context_, {"$$02"}, {"Тест линии: Попытка "}, [this] { LineTestWorker(context_); });
}

void ControllerCommands::TestRelay(int relay) {
    if (relay >= 1 && relay <= 4) StartRelayTest(*this, context_, relay);
}

void ControllerCommands::RunRawCommand() {
    if (!CheckPort()) return;
    const std::optional<std::string> typed =
        context_.view().InputQuery("Выполнить команду", "Команда контроллеру:", context_.transaction().rawCommandText);
    if (!typed) return;
    context_.transaction().rawCommandText = *typed;  // kept exactly as typed, also when empty
    // The line carries Windows-1251; a character it cannot carry would go out
    // as "?", the frame terminator, and cut the frame short.
    const std::optional<std::string> bytes = Utf8ToCp1251(*typed);
    if (!bytes) {
        context_.view().ShowMessage(kCaptionWarning, "Команда содержит символы, которые нельзя передать в линию.",
                                    MessageIcon::Warning);
        return;
    }
    StartTransaction(context_, {*bytes}, {"Команда контроллеру: " + *typed},
                     [this] { SingleExchangeWorker(context_, "Команда отправлена."); });
}

}  // namespace tulex
