#include "controller/Reports.h"

#include "controller/ControllerTransaction.h"
#include "display/Captions.h"
#include "line/Cp1251.h"
#include "line/HexDigits.h"

namespace tulex {

namespace {

constexpr const char* kUnknown = "?";
constexpr const char* kEmDash = "—";

// Tenths of a second as "%0.1f" prints them, without floating point (and so
// without the process locale's decimal separator).
std::string FixedTenths(int tenths) { return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10); }

// Tenths of a second in the general session: no trailing zero (2, 2.5, 25.5).
std::string GeneralTenths(int tenths) {
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text;
}

// A relay or indication time: "INF" for FF, else seconds and " с".
std::string HoldTimeText(std::optional<int> value) {
    if (!value) return kUnknown;
    if (*value == 0xFF) return "INF";
    return FixedTenths(*value) + " с";
}

std::string ModeText(std::optional<int> high) {
    if (!high) return kUnknown;
    if (*high & 2) return "автономный ";
    if (*high & 4) return "off-line";
    return "on-line";
}

std::string YesNo(std::optional<int> low, int bit) {
    if (!low) return kUnknown;
    return (*low & bit) ? "Да" : "Нет";
}

// One input-control row: columns 1-4 from the low digit, 5-8 from the high.
std::string InputRow(std::string_view data, std::size_t highPosition) {
    const std::optional<int> high = HexField(data, highPosition, 1);
    const std::optional<int> low = HexField(data, highPosition + 1, 1);
    std::string row;
    for (int column = 0; column < 8; ++column) {
        if (column > 0) row += "  ";
        const std::optional<int>& digit = column < 4 ? low : high;
        if (!digit)
            row += kUnknown;
        else
            row += (*digit >> (column % 4)) & 1 ? "+" : kEmDash;
    }
    return row;
}

// The character of register 02 for the title.
std::string IndexCharacterText(std::optional<int> value) {
    if (!value || *value == 0) return kUnknown;
    return Cp1251ToUtf8(std::string(1, static_cast<char>(*value)));
}

}  // namespace

std::optional<int> HexField(std::string_view data, std::size_t position, std::size_t length) {
    if (position > data.size() || data.size() - position < length || length == 0) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const std::optional<int> digit = HexDigitValue(data[position + i]);
        if (!digit) return std::nullopt;
        value = value * 16 + *digit;
    }
    return value;
}

std::string TypeAndVersionText(char model, char version) {
    switch (model) {
    case '1':
        switch (version) {
        case '0': return "ОРТИН-21 версия b3.4-3.6";
        case '1': return "ОРТИН-21 версия b3.7";
        case '2': return "ОРТИН-21 версия b3.8";
        case '3': return "ОРТИН-21 версия b4.0";
        case '4': return "ОРТИН-21 версия b4.1";
        default: return kUnknown;
        }
    case '2':
        switch (version) {
        case '0': return "ОРТИН-22 версия 1.11";
        case '1': return "ОРТИН-22 версия 1.2";
        case '2': return "ОРТИН-22 версия 1.3";
        case '3': return "ОРТИН-22 версия 1.4";
        case '4': return "ОРТИН-22 версия 1.5";
        case '5': return "ОРТИН-22 версия 1.6";
        case '6': return "ОРТИН-22 версия 1.7";
        default: return kUnknown;
        }
    case '3': return version == '0' ? "ОРТИН-22 версия 1-1.1" : kUnknown;
    case '5': return version == '0' ? "ОРТИН-31 версия 7.a" : kUnknown;
    // The version digit is shown as it came; a byte that is no character
    // of the text (zero, a control) would break it, so it shows "?".
    case '6':
        return static_cast<unsigned char>(version) > 0x20 ? "ОРТИН-31 версия 8." + Cp1251ToUtf8(std::string(1, version))
                                                          : "ОРТИН-31 версия 8.?";
    case '7':
        return static_cast<unsigned char>(version) > 0x20 ? "ОРТИН-3 версия 9." + Cp1251ToUtf8(std::string(1, version))
                                                          : "ОРТИН-3 версия 9.?";
    default: return kUnknown;
    }
}

ReportText ParameterReport(std::string_view d) {
    ReportText report;
    report.title = "Параметры контроллера с индексом " + IndexCharacterText(HexField(d, 0, 2));

    const std::string type = d.size() >= 4 ? TypeAndVersionText(d[2], d[3]) : kUnknown;
    const std::optional<int> modeDigit = HexField(d, 4, 1);
    const std::optional<int> options = HexField(d, 5, 1);

    std::string& t = report.text;
    t += "Тип и версия: " + type + "\n";
    t += "Режим работы: " + ModeText(modeDigit) + "\n\n";
    t += "Время удержания реле:";
    t += "\nРеле 1 — " + HoldTimeText(HexField(d, 6, 2)) + "    " + "Реле 3 — " + HoldTimeText(HexField(d, 10, 2)) +
         "\n";
    t += "Реле 2 — " + HoldTimeText(HexField(d, 8, 2)) + "    " + "Реле 4 — " + HoldTimeText(HexField(d, 12, 2)) +
         "\n\n";
    t += "Индикация запрета — " + HoldTimeText(HexField(d, 14, 2));
    t += "\n\nУправление-контроль входов:\n";
    t += "1   2   3   4   5   6   7   8\n";
    t += InputRow(d, 16) + "\n";
    t += InputRow(d, 18);
    t += "\n\nОтпускание реле 1 по датчику — " + YesNo(options, 1) + "\n";
    t += "Отпускание реле 2 по датчику — " + YesNo(options, 2) + "\n";
    t += "Блокировка считывателей — " + YesNo(options, 4);
    return report;
}

ReportText MasterCardReport(std::string_view d) {
    ReportText report;
    report.title = kCaptionInformation;
    // The card number as received, up to ten characters; a zero byte would
    // cut the text short, so the number stops before one.
    std::string number(d.substr(0, 10));
    number = number.substr(0, number.find('\0'));
    const auto time = [&](std::size_t position) {
        const std::optional<int> value = HexField(d, position, 2);
        return value ? GeneralTenths(*value) + " с" : std::string(kUnknown);
    };
    report.text = "\nНомер мастер-карты — " + Cp1251ToUtf8(number);
    report.text += "\n\nВремя ожидания мастер-карты — " + time(10);
    report.text += "\n\nВремя удержания для очистки памяти — " + time(12);
    return report;
}

void ControllerTransaction::ReportParameters(const std::string& replyData) {
    const ReportText report = ParameterReport(replyData);
    ShowReport(report.title, report.text);
}

void ControllerTransaction::ReportMasterCard(const std::string& replyData) {
    const ReportText report = MasterCardReport(replyData);
    ShowReport(report.title, report.text);
}

}  // namespace tulex
