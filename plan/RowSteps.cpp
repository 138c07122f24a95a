#include "plan/RowSteps.h"

#include "app/CommandContext.h"
#include "app/Timing.h"
#include "line/HexDigits.h"
#include "plan/Exchanges.h"
#include "plan/FieldValues.h"
#include "plan/PlanTiming.h"

namespace tulex::plan {

namespace {

constexpr const char* kBadReply = "Неверный ответ контроллера.";
constexpr const char* kStopped = "Остановлено оператором.";
constexpr const char* kPortClosed = "Порт закрыт.";
// When register 14 cannot be read: the controller's usual wait for the card.
constexpr std::chrono::milliseconds kDefaultCardWindow{3000};

// A row that ends here with its reason.
RowResult Ended(RowResult result, RowState state, std::string stepName, std::string answer, std::string text) {
    result.state = state;
    result.step = std::move(stepName);
    result.answer = std::move(answer);
    result.text = std::move(text);
    return result;
}

// A row that ends because an exchange at `stepName` went wrong.
RowResult Unanswered(RowResult result, Outcome outcome, std::string stepName, bool write) {
    switch (outcome) {
    case Outcome::ErrorReply:
        return Ended(std::move(result), RowState::Failed, std::move(stepName), "#",
                     write ? "Контроллер не принял запись (ответ «#»)." : "Контроллера нет в линии.");
    case Outcome::Timeout:
    case Outcome::NoData:
        return Ended(std::move(result), RowState::Failed, std::move(stepName), "timeout",
                     "Время ожидания ответа истекло.");
    case Outcome::PortClosed:
    case Outcome::Answered: break;
    }
    return Ended(std::move(result), RowState::Skipped, std::move(stepName), "", kPortClosed);
}

struct ParameterRead {
    Outcome outcome = Outcome::Timeout;
    std::optional<ParameterRegisters> registers;
    std::string data;  // as received, for the operator when it makes no sense
};

// "Читать параметры контроллера" at index; the reply must come from that
// index.
ParameterRead ReadParameters(CommandContext& context, std::uint8_t index) {
    const ReadResult read = ReadData(context, index, kParameterRead, kParameterReadDescription);
    ParameterRead result{read.outcome, std::nullopt, read.data};
    if (read.outcome != Outcome::Answered) return result;
    const auto registers = ParseParameterReply(read.data);
    if (registers && registers->index == index) result.registers = registers;
    return result;
}

// Reads the parameters into the result; false with the result ended when
// they cannot be read.
bool ReadInto(const RowContext& row, RowResult& result, const std::string& stepName) {
    const ParameterRead read = ReadParameters(row.context, row.row.index);
    if (read.outcome != Outcome::Answered) {
        result = Unanswered(std::move(result), read.outcome, stepName, false);
        return false;
    }
    if (!read.registers) {
        result = Ended(std::move(result), RowState::Failed, stepName, read.data, kBadReply);
        return false;
    }
    result.parameters = read.registers;
    return true;
}

struct CardRead {
    Outcome outcome = Outcome::Timeout;
    std::optional<std::string> card;
    std::chrono::milliseconds window = kDefaultCardWindow;  // register 14: how long it waits for a card
    std::string data;
};

CardRead ReadMasterCard(CommandContext& context, std::uint8_t index) {
    const ReadResult read = ReadData(context, index, kMasterCardRead, kMasterCardReadDescription);
    CardRead result{read.outcome, std::nullopt, kDefaultCardWindow, read.data};
    if (read.outcome != Outcome::Answered) return result;
    result.card = ParseMasterCardReply(read.data);
    if (read.data.size() >= 12) {
        const auto tenths = ParseHexByte(read.data.substr(10, 2));
        if (tenths && *tenths > 0) result.window = std::chrono::milliseconds(*tenths * 100);
    }
    return result;
}

// Reads the master card into the result (and, if asked, how long the
// controller waits for a card); false with the result ended when it cannot
// be read.
bool ReadCardInto(const RowContext& row, RowResult& result, std::chrono::milliseconds* window = nullptr) {
    const CardRead read = ReadMasterCard(row.context, row.row.index);
    if (read.outcome != Outcome::Answered) {
        result = Unanswered(std::move(result), read.outcome, step::kMasterCard, false);
        return false;
    }
    if (!read.card) {
        result = Ended(std::move(result), RowState::Failed, step::kMasterCard, read.data, kBadReply);
        return false;
    }
    result.masterCard = read.card;
    if (window) *window = read.window;
    return true;
}

bool Stopped(const RowContext& row) { return row.stop || !row.context.transaction().busy; }

RowResult StoppedAt(RowResult result, std::string stepName) {
    return Ended(std::move(result), RowState::Skipped, std::move(stepName), "", kStopped);
}

// No controller answers at the row's index: the next new one is taken from
// the factory index and given it. True when it answers at its index now.
bool TakeNewController(const RowContext& row, RowResult& result) {
    const std::uint8_t factory = *row.options.factoryIndex;
    const std::string target = IndexUtf8(row.row.index);
    row.progress("Подключите новый контроллер (заводской индекс " + IndexUtf8(factory) + ")", true);
    switch (WaitForController(row.context, factory, row.stop, row.options.connectWait)) {
    case ArrivalEnd::Arrived: break;
    case ArrivalEnd::Stopped: result = StoppedAt(std::move(result), step::kConnect); return false;
    case ArrivalEnd::PortClosed:
        result = Ended(std::move(result), RowState::Skipped, step::kConnect, "", kPortClosed);
        return false;
    case ArrivalEnd::TimedOut:
        result = Ended(std::move(result), RowState::Failed, step::kConnect, "timeout",
                       "Новый контроллер с индексом " + IndexUtf8(factory) + " не появился в линии.");
        return false;
    }
    row.progress("Изменение индекса " + IndexUtf8(factory) + " → " + target, false);
    switch (ChangeIndex(row.context, factory, row.row.index)) {
    case IndexChangeEnd::Done: break;
    case IndexChangeEnd::Occupied:
        result = Ended(std::move(result), RowState::Failed, step::kIndex, "",
                       "Контроллер с индексом " + target + " уже есть в линии.");
        return false;
    case IndexChangeEnd::ErrorReplies:
        result = Ended(std::move(result), RowState::Failed, step::kIndex, "#", "Контроллера нет в линии.");
        return false;
    case IndexChangeEnd::Timeouts:
        result = Ended(std::move(result), RowState::Failed, step::kIndex, "timeout", "Время ожидания ответа истекло.");
        return false;
    case IndexChangeEnd::PortClosed:
        result = Ended(std::move(result), RowState::Skipped, step::kIndex, "", kPortClosed);
        return false;
    }
    result.renamedFrom = factory;
    result.written.push_back(step::kIndex);
    return true;
}

// Writes the register settings that differ, one at a time, each read back.
bool WriteRegisters(const RowContext& row, RowResult& result) {
    while (const auto write = NextWrite(row.row, *result.parameters)) {
        if (Stopped(row)) {
            result = StoppedAt(std::move(result), write->field);
            return false;
        }
        row.progress(StepText(write->field), false);
        const Outcome outcome = Exchange(row.context, row.row.index, write->command, write->description);
        if (outcome != Outcome::Answered) {
            result = Unanswered(std::move(result), outcome, write->field, true);
            return false;
        }
        result.written.push_back(write->field);
        if (!ReadInto(row, result, write->field)) return false;
        if (const auto left = FieldDifference(row.row, write->field, *result.parameters)) {
            result = Ended(std::move(result), RowState::Failed, write->field, left->found,
                           "Запись не принята: прочитано " + left->found + ", по плану " + left->planned + ".");
            return false;
        }
    }
    return true;
}

// The master card, when it is not the planned one: the controller is set to
// wait for a card ("Задать мастер-карту"), the operator presents it, and the
// card is read back until it is the planned one. The controller waits only
// for its own time (register 14), so it is set to wait again each time that
// has passed.
bool SetMasterCard(const RowContext& row, RowResult& result) {
    std::chrono::milliseconds window = kDefaultCardWindow;
    if (!ReadCardInto(row, result, &window)) return false;
    if (*result.masterCard == *row.row.masterCard) return true;
    if (Stopped(row)) {
        result = StoppedAt(std::move(result), step::kMasterCard);
        return false;
    }
    result.differences.push_back({kFieldMasterCard, *row.row.masterCard, *result.masterCard});
    row.progress(
        "Поднесите мастер-карту " + *row.row.masterCard + " к считывателю контроллера " + IndexUtf8(row.row.index),
        true);
    Clock& clock = row.context.transaction().clock();
    const auto deadline = clock.Now() + limits::kMasterCardWait;
    std::optional<Clock::TimePoint> armedAt;
    while (true) {
        if (!armedAt || clock.Now() - *armedAt >= window) {
            const Outcome armed = Exchange(row.context, row.row.index, "$4", "Задание мастер-карты");
            if (armed != Outcome::Answered) {
                result = Unanswered(std::move(result), armed, step::kMasterCard, true);
                return false;
            }
            armedAt = clock.Now();
        }
        if (!Pause(row.context, limits::kMasterCardPoll, row.stop)) {
            if (!row.context.IsPortOpen()) {
                result = Ended(std::move(result), RowState::Skipped, step::kMasterCard, "", kPortClosed);
            } else {
                result = StoppedAt(std::move(result), step::kMasterCard);
            }
            return false;
        }
        if (!ReadCardInto(row, result)) return false;
        if (*result.masterCard == *row.row.masterCard) break;
        if (clock.Now() >= deadline) {
            result = Ended(std::move(result), RowState::Failed, step::kMasterCard, *result.masterCard,
                           "Мастер-карта не поднесена: прочитан номер " + *result.masterCard + ".");
            return false;
        }
    }
    result.written.push_back(step::kMasterCard);
    return true;
}

}  // namespace

RowResult AuditRow(const RowContext& row) {
    RowResult result;
    row.progress(StepText(step::kRead), false);
    if (!ReadInto(row, result, step::kRead)) return result;
    if (row.row.masterCard && !ReadCardInto(row, result)) return result;
    result.differences = Differences(row.row, *result.parameters, result.masterCard);
    result.state = result.differences.empty() ? RowState::Matched : RowState::Differs;
    return result;
}

RowResult ApplyRow(const RowContext& row) {
    RowResult result;
    row.progress(StepText(step::kRead), false);
    const ParameterRead read = ReadParameters(row.context, row.row.index);
    const bool absent = read.outcome == Outcome::ErrorReply || read.outcome == Outcome::Timeout;
    if (absent && row.options.factoryIndex) {
        if (Stopped(row)) return StoppedAt(std::move(result), step::kConnect);
        if (!TakeNewController(row, result)) return result;
        if (!ReadInto(row, result, step::kRead)) return result;
    } else if (read.outcome != Outcome::Answered) {
        return Unanswered(std::move(result), read.outcome, step::kRead, false);
    } else if (!read.registers) {
        return Ended(std::move(result), RowState::Failed, step::kRead, read.data, kBadReply);
    } else {
        result.parameters = read.registers;
    }
    result.differences = Differences(row.row, *result.parameters, std::nullopt);
    if (!WriteRegisters(row, result)) return result;
    if (row.row.masterCard && !SetMasterCard(row, result)) return result;
    result.state = result.written.empty() ? RowState::Matched : RowState::Done;
    return result;
}

}  // namespace tulex::plan
