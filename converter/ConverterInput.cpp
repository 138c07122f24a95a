#include "converter/ConverterInput.h"

#include "display/Captions.h"
#include "line/Cp1251.h"

namespace tulex {
namespace {

constexpr const char* kWrongValue = " — неверное значение.";

// Characters as the operator sees them; malformed text counts its bytes.
std::size_t CharacterCount(std::string_view text) {
    if (!IsValidUtf8(text)) return text.size();
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

// Text fit to be shown in a message box (malformed bytes become "?").
std::string Shown(std::string_view text) {
    return IsValidUtf8(text) ? std::string(text) : Cp1251ToUtf8(Utf8ToCp1251Lossy(text));
}

// The characters of valid UTF-8 text that Windows-1251 lacks, each in «».
std::string Uncarried(std::string_view text) {
    std::string list;
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        if (!NextUtf8CodePoint(text, i, cp)) break;
        if (UnicodeToCp1251(cp)) continue;
        if (!list.empty()) list += ", ";
        list += "«" + std::string(text.substr(start, i - start)) + "»";
    }
    return list;
}

}  // namespace

std::string TrimInput(std::string_view text) {
    const auto blankOrControl = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blankOrControl(text[begin])) ++begin;
    while (end > begin && blankOrControl(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

PollRangeCheck CheckPollRange(std::string_view trimmed) {
    PollRangeCheck check;
    if (trimmed.empty()) {
        check.refusal = {kCaptionWarning, "Неверное значение."};
        return check;
    }
    if (CharacterCount(trimmed) != 1) {
        check.refusal = {kCaptionInformation, Shown(trimmed) + kWrongValue};
        return check;
    }
    // One character: a character Windows-1251 lacks cannot be an index either.
    const std::optional<std::string> bytes = Utf8ToCp1251(trimmed);
    const auto byte = bytes && bytes->size() == 1 ? static_cast<std::uint8_t>((*bytes)[0]) : 0;
    if (byte < kPollRangeLowest || byte > kPollRangeHighest) {
        check.refusal = {kCaptionWarning, Shown(trimmed) + kWrongValue};
        return check;
    }
    check.index = byte;
    return check;
}

RawCommandCheck CheckRawCommand(std::string_view typed) {
    RawCommandCheck check;
    if (!IsValidUtf8(typed)) {
        check.refusal = {kCaptionWarning, "Команда не отправлена: текст не в кодировке UTF-8."};
        return check;
    }
    check.bytes = Utf8ToCp1251(typed);
    if (!check.bytes)
        check.refusal = {kCaptionWarning, "Команда не отправлена: символов " + Uncarried(typed) +
                                              " нет в кодировке Windows-1251, их нельзя передать в линию."};
    return check;
}

}  // namespace tulex
