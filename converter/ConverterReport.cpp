#include "converter/ConverterReport.h"

#include <cstdio>
#include <optional>

#include "line/Cp1251.h"
#include "line/HexDigits.h"

namespace tulex {
namespace {

constexpr const char* kUnknown = "?";

// Character at a position counted from 1, or 0 when the reply is shorter.
char At(std::string_view reply, std::size_t position) { return position <= reply.size() ? reply[position - 1] : '\0'; }

std::string Version(char first, char second) {
    if (first == '0' && second == '1') return "S3.2";
    if (first == '1' && second == '1') return "S4.1";
    if (first == '2' && second >= '0' && second <= '9') {
        static constexpr const char* kSeries[] = {"S4.2", "S4.3", "S4.4", "S4.5", "S4.6",
                                                  "S4.7", "S4.8", "S4.9", "S5.0", "S5.1"};
        return kSeries[second - '0'];
    }
    return kUnknown;
}

// Positions 3 and 4 read with "%2X": the code of the upper index. A code that
// is not a printable character (missing digits, a control code, more than a
// byte) shows "?".
std::string PollRangeEnd(std::string_view reply) {
    if (reply.size() < 3) return kUnknown;
    char digits[3] = {At(reply, 3), At(reply, 4), '\0'};
    unsigned int code = 0;
    if (std::sscanf(digits, "%2X", &code) != 1 || code < 0x20 || code > 0xFF) return kUnknown;
    return Cp1251ToUtf8(std::string(1, static_cast<char>(code)));
}

std::string Rs232Speed(std::optional<int> d6) {
    if (!d6) return kUnknown;
    static constexpr const char* kSpeeds[] = {"9600", "19200", "38400", "57600", "115200", "?", "?", "?"};
    return kSpeeds[*d6 & 7];
}

// Bit 3 of the RS232 digit chooses between the two RS485 speed tables.
std::string Rs485Speed(std::optional<int> d5, std::optional<int> d6) {
    if (!d5 || !d6) return kUnknown;
    static constexpr const char* kHighTable[] = {"19200", "57600", "?", "?"};
    static constexpr const char* kLowTable[] = {"9600", "38400", "115200", "?"};
    return (*d6 & 8) != 0 ? kHighTable[*d5 & 3] : kLowTable[*d5 & 3];
}

// The speed digit masked with 9 (bits 0 and 3) selects the reply time.
std::string ControllerReplyTime(std::optional<int> d5) {
    if (!d5) return kUnknown;
    switch (*d5 & 9) {
    case 0: return "4.5";
    case 8: return "1";
    case 9: return "0.5";
    default: return kUnknown;
    }
}

}  // namespace

std::string BuildConverterReport(std::string_view reply) {
    const std::optional<int> d5 = HexDigitValue(At(reply, 5));
    const std::optional<int> d6 = HexDigitValue(At(reply, 6));
    std::string text = "Версия: " + Version(At(reply, 1), At(reply, 2));
    text += "\n\nДиапазон опроса: G - " + PollRangeEnd(reply);
    text += "\n\nСкорость в линии RS232, бит/с: " + Rs232Speed(d6);
    text += "\n\nСкорость в линии RS485, бит/с: " + Rs485Speed(d5, d6);
    text += "\n\nВремя ожидания ответа от контроллера, мс: " + ControllerReplyTime(d5);
    return text;
}

}  // namespace tulex
