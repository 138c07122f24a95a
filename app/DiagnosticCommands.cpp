// The diagnostic commands of PopupMenu1: the memory test, the line test, the
// four relay tests and the raw controller command, with their workers.

#include "app/DiagnosticCommands.h"

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "app/TForm1.h"
#include "app/Timing.h"
#include "app/Transaction.h"
#include "line/Cp1251.h"
#include "line/Frame.h"

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

std::string WithAttempts(const std::string& text, int attempts) {
    return text + kAttempts + std::to_string(attempts);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// How a bounded buffer clearing ended.
enum class Clearing { Acknowledged, Cancelled, Expired, Ended };

// The buffer clearing of the transactions (short frames FF FD ? and
// FF target ?, 100 ms a pass, until the next "!"), bounded for the memory
// and relay tests: it gives up at `deadline` and, when asked, ends on the
// cancel event, so that a controller that falls silent after its
// acknowledgement can neither hold the memory test past its 60 seconds nor
// make "Остановить" useless in the relay test. Ended: the port closed, the
// busy flag dropped or a wait failed.
Clearing ClearBufferUntil(TForm1& form, std::chrono::steady_clock::time_point deadline, bool watchCancel) {
    TUnit& unit = form.unit;
    while (form.IsPortOpen() && unit.busy) {
        if (std::chrono::steady_clock::now() >= deadline) return Clearing::Expired;
        const std::uint8_t target = unit.target;
        form.SendShortFrame(target, kBufferTarget, "Чистка буфера контроллера");
        form.SendShortFrame(target, target, "Запрос контроллера");
        const WaitResult r =
            watchCancel
                ? WaitForAny({unit.EventFor(TUnit::kReply1), unit.EventFor(TUnit::kCancel)}, Limit(limits::kClearPass))
                : WaitFor(unit.EventFor(TUnit::kReply1), Limit(limits::kClearPass));
        if (r.is(0)) return Clearing::Acknowledged;
        if (r.is(1)) return Clearing::Cancelled;
        if (r.failed()) return Clearing::Ended;
    }
    return Clearing::Ended;
}

// The end of a line or relay test whose request was not answered with "!"
// or "$": the error reply, "Остановить" (the cancel event, fourth in the
// wait) or a time-out, with the attempts made so far.
void ShowTestEnd(TForm1& form, const WaitResult& r, int attempts, const std::string& finishedText) {
    TUnit& unit = form.unit;
    if (r.is(2)) {
        unit.ShowFailure(WithAttempts("Контроллера нет в линии. ", attempts));
    } else if (r.is(3)) {
        form.MonitorAdd(kCancelLine);
        unit.ShowSuccess(WithAttempts(finishedText, attempts));
    } else {
        form.MonitorAdd("   TIMEOUT");
        unit.ShowFailure(WithAttempts("Время ожидания ответа истекло. ", attempts));
    }
}

// A test's request answered, "Остановить" pressed or the time passed.
WaitResult WaitForTestReply(TUnit& unit) {
    return WaitForAny({unit.EventFor(TUnit::kReply1), unit.EventFor(TUnit::kReply2), unit.EventFor(TUnit::kReply3),
                       unit.EventFor(TUnit::kCancel)},
                      Limit(limits::kReply));
}

// One attempt of a repeating test: its number goes into the balloon and into
// the request's description.
WaitResult TestAttempt(TForm1& form, const std::string& command, const std::string& description, int attempt) {
    const std::string progress = description + std::to_string(attempt);
    form.SetBalloonText(progress);
    form.SendRequest(form.unit.target, command, progress);
    return WaitForTestReply(form.unit);
}

// ---------------------------------------------------------------- memory test

void MemoryTestWorker(TForm1& form) {
    TUnit& unit = form.unit;
    unit.ShowWaiting();
    form.ShowUnitHint();
    unit.CreateEvents({TUnit::kReply1, TUnit::kReply2, TUnit::kReply3, TUnit::kData});
    form.SendRequest(unit.target, Entry(unit.commandList, 0), Entry(unit.descriptionList, 0));
    const WaitResult r = WaitForReply(unit);
    if (!RequestAccepted(form, r)) return;
    // The controller accepted the test; its result comes as a data reply
    // once the test has run, so wait for it one second at a time.
    const bool acknowledged = r.is(0);
    int countdown = kEepromCountdown;
    while (unit.busy) {
        // After the acknowledgement the buffer is cleared on every pass; a
        // controller that stays silent meanwhile uses up this second.
        std::chrono::milliseconds wait = Limit(kEepromStep);
        if (acknowledged &&
            ClearBufferUntil(form, std::chrono::steady_clock::now() + wait, false) == Clearing::Expired)
            wait = std::chrono::milliseconds(0);
        const WaitResult d = WaitFor(unit.EventFor(TUnit::kData), wait);
        if (d.signalled()) {
            const MemoryTestVerdict verdict = EvaluateMemoryTest(unit.ReplyData());
            if (verdict.success)
                unit.ShowSuccess(verdict.text);
            else
                unit.ShowFailure(verdict.text);
            return EndTransaction(form);
        }
        // A wait that fails cannot succeed on the next pass either.
        if (d.failed()) break;
        form.SetBalloonText("Тест памяти. Ожидание: " + std::to_string(countdown) + " с");
        if (--countdown == 0) {
            ShowTimeout(form);
            return EndTransaction(form);
        }
    }
    // Stopped from outside (the window closed): no outcome to show.
    EndTransaction(form, false);
}

// ------------------------------------------------------------------ line test

void LineTestWorker(TForm1& form) {
    TUnit& unit = form.unit;
    unit.ShowWaiting();
    form.ShowUnitHint();
    unit.CreateEvents({TUnit::kReply1, TUnit::kReply2, TUnit::kReply3, TUnit::kCancel});
    const std::string command = Entry(unit.commandList, 0);
    const std::string description = Entry(unit.descriptionList, 0);
    int attempts = 0;
    while (unit.busy) {
        const WaitResult r = TestAttempt(form, command, description, ++attempts);
        if (r.is(0) || r.is(1)) continue;  // answered: the next request at once
        if (r.failed()) break;  // would fail again at once: no request storm
        ShowTestEnd(form, r, attempts, "Тест линии завершен. ");
        return EndTransaction(form);
    }
    EndTransaction(form, false);
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
bool RelayTriggerLoop(TForm1& form, int holdTime) {
    TUnit& unit = form.unit;
    const std::string command = Entry(unit.commandList, 1);
    const std::string description = Entry(unit.descriptionList, 1);
    const auto pause = Limit(holdTime * kHoldUnit + kPauseMargin);
    int attempts = 0;
    while (unit.busy) {
        const WaitResult r = TestAttempt(form, command, description, ++attempts);
        if (r.failed()) return false;
        if (r.is(0) || r.is(1)) {
            // The pause waits on the cancel event, so a stop ends it at once.
            const WaitResult p = WaitFor(unit.EventFor(TUnit::kCancel), pause);
            if (p.failed()) return false;
            if (p.signalled()) {
                form.MonitorAdd(kCancelLine);
                unit.ShowSuccess(WithAttempts("Тест реле завершен. ", attempts));
                return true;
            }
            continue;
        }
        ShowTestEnd(form, r, attempts, "Тест реле завершен. ");
        return true;
    }
    return false;
}

// The time request, the hold time and the trigger loop. Returns whether an
// outcome was set.
bool RelayTest(TForm1& form) {
    TUnit& unit = form.unit;
    form.SendRequest(unit.target, Entry(unit.commandList, 0), Entry(unit.descriptionList, 0));
    const WaitResult r = WaitForTestReply(unit);
    if (r.failed()) return false;
    if (r.is(2)) {
        unit.ShowFailure(kNotOnLine);
        return true;
    }
    if (r.is(3)) {
        form.MonitorAdd(kCancelLine);
        unit.ShowSuccess("Тест реле завершен.");
        return true;
    }
    if (r.timedOut()) {
        ShowTimeout(form);
        return true;
    }
    if (r.is(0) && ClearBufferUntil(form, std::chrono::steady_clock::time_point::max(), true) == Clearing::Cancelled) {
        form.MonitorAdd(kCancelLine);
        unit.ShowSuccess("Тест реле завершен.");
        return true;
    }
    // The hold time comes as a data reply. A stop while it is awaited ends
    // the test before the relay is switched even once.
    const WaitResult d = WaitForAny({unit.EventFor(TUnit::kData), unit.EventFor(TUnit::kCancel)},
                                    Limit(limits::kData));
    if (d.failed()) return false;
    if (d.is(1)) {
        form.MonitorAdd(kCancelLine);
        unit.ShowSuccess("Тест реле завершен.");
        return true;
    }
    if (d.timedOut()) {
        form.MonitorAdd("   TIMEOUT");
        unit.ShowFailure(WithAttempts("Время ожидания ответа истекло. ", 0));
        return true;
    }
    const std::optional<int> holdTime = ReadHoldTime(unit.ReplyData());
    if (!holdTime) {
        unit.ShowFailure(kTryAgain);
        return true;
    }
    return RelayTriggerLoop(form, *holdTime);
}

void RelayTestWorker(TForm1& form) {
    TUnit& unit = form.unit;
    unit.ShowWaiting();
    form.ShowUnitHint();
    unit.CreateEvents({TUnit::kReply1, TUnit::kReply2, TUnit::kReply3, TUnit::kData, TUnit::kCancel});
    const bool outcome = RelayTest(form);
    EndTransaction(form, outcome);
}

void StartRelayTest(ControllerCommands& commands, TForm1& form, int relay) {
    if (!commands.CheckPort()) return;
    const std::string k = std::to_string(relay);
    const std::string question = "Тест реле выполнять только для демонтированного контроллера.\n\n"
                                 "Датчики должны быть отключены.\n\n"
                                 "Начать тест реле " + k + "?";
    if (!form.view().AskYesNo(kCaptionWarning, question)) return;
    const RelayCommands& r = kRelays.at(static_cast<std::size_t>(relay - 1));
    StartTransaction(form, {r.timeRequest, r.trigger},
                     {"Тест реле " + k + ": Запрос времени", "Тест реле " + k + ": Попытка "},
                     [&form] { RelayTestWorker(form); });
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
    if (replyData.size() < 2) return std::nullopt;
    const int high = HexValue(replyData[0]);
    const int low = HexValue(replyData[1]);
    if (high < 0 || low < 0) return std::nullopt;
    return high * 16 + low;
}

void ControllerCommands::N41Click() {
    if (!CheckPort()) return;
    StartTransaction(form_, {"/8"}, {"Тест памяти"}, [this] { MemoryTestWorker(form_); });
}

void ControllerCommands::N1Click() {
    if (!CheckPort()) return;
    StartTransaction(form_, {"$$02"}, {"Тест линии: Попытка "}, [this] { LineTestWorker(form_); });
}

void ControllerCommands::N110Click() { StartRelayTest(*this, form_, 1); }
void ControllerCommands::N24Click() { StartRelayTest(*this, form_, 2); }
void ControllerCommands::N33Click() { StartRelayTest(*this, form_, 3); }
void ControllerCommands::N43Click() { StartRelayTest(*this, form_, 4); }

void ControllerCommands::N26Click() {
    if (!CheckPort()) return;
    const std::optional<std::string> typed =
        form_.view().InputQuery("Выполнить команду", "Команда контроллеру:", form_.unit.rawCommandText);
    if (!typed) return;
    form_.unit.rawCommandText = *typed;  // kept exactly as typed, also when empty
    // The line carries Windows-1251; a character it cannot carry would go out
    // as "?", the frame terminator, and cut the frame short.
    const std::optional<std::string> bytes = Utf8ToCp1251(*typed);
    if (!bytes) {
        form_.view().ShowMessage(kCaptionWarning, "Команда содержит символы, которые нельзя передать в линию.",
                                 MessageIcon::Warning);
        return;
    }
    StartTransaction(form_, {*bytes}, {"Команда контроллеру: " + *typed},
                     [this] { SingleExchangeWorker(form_, "Команда отправлена."); });
}

}  // namespace tulex
