#include "display/CardText.h"

#include <optional>

#include "line/Cp1251.h"
#include "line/HexDigits.h"

namespace tulex {
namespace {

constexpr std::size_t kNumberLength = 10;
constexpr std::size_t kStatusLength = 12;   // number + two status digits
constexpr std::size_t kAddressLayout = 20;  // ... + four address characters at 16-19

const char* Reason(int first, bool addressShown) {
    const bool bit0 = first & 1;
    const bool bit1 = first & 2;
    if (!bit0 && !bit1) return addressShown ? "Ожидается подтверждение прохода" : "Пропуск отсутствует в памяти";
    if (!bit0 && bit1) return "Окончен срок действия пропуска";
    if (bit0 && !bit1) return "Нарушение времени прохода";
    return "Некорректный переход";
}

constexpr const char* kBadFormat = "Неверный формат данных";

const char* Title(int second) {
    return (second & 4) ? "Доступ разрешен (автоответ)" : (second & 2) ? "Доступ разрешен" : "Доступ запрещен";
}

const char* Direction(int second) { return (second & 1) ? "Вход" : "Выход"; }

}  // namespace

CardText BuildCardText(std::string_view data) {
    if (data.empty()) return {kBadFormat, ""};

    const std::optional<int> first = data.size() > 10 ? HexDigitValue(data[10]) : std::nullopt;
    const std::optional<int> second = data.size() > 11 ? HexDigitValue(data[11]) : std::nullopt;
    if (data.size() < kStatusLength || !first || !second) return {kBadFormat, "Данные: " + Cp1251ToUtf8(data)};

    const std::string number = Cp1251ToUtf8(data.substr(0, kNumberLength));

    bool addressShown = false;
    std::string addressLine;
    if (data.size() == kAddressLayout) {
        const std::string_view address = data.substr(16, 4);
        const bool secondReader = (*first & 8) != 0;
        addressShown = secondReader || address.find_first_not_of('0') != std::string_view::npos;
        if (addressShown) addressLine = "Адрес: " + Cp1251ToUtf8(address) + (secondReader ? " (2)" : " (1)");
    }

    CardText card;
    card.title = Title(*second);
    card.text = Reason(*first, addressShown);
    card.text += "\n\nНаправление: ";
    card.text += Direction(*second);
    card.text += "\nНомер: " + number;
    if (addressShown) card.text += "\n" + addressLine;
    return card;
}

CardSummary SummarizeCard(std::string_view data) {
    CardSummary summary;
    summary.number = Cp1251ToUtf8(data.substr(0, kNumberLength));
    const std::optional<int> first = data.size() > 10 ? HexDigitValue(data[10]) : std::nullopt;
    const std::optional<int> second = data.size() > 11 ? HexDigitValue(data[11]) : std::nullopt;
    if (!first || !second) {
        summary.title = kBadFormat;
        return summary;
    }
    summary.title = Title(*second);
    summary.direction = Direction(*second);
    return summary;
}

}  // namespace tulex
