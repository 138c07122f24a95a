#include "sim/SimTypes.h"

#include "line/Cp1251.h"
#include "line/Frame.h"

#include <cstdlib>

namespace tulex::sim {

const char* ReplyStyleName(ReplyStyle style) { return style == ReplyStyle::Ack ? "ack" : "positive"; }

std::optional<ReplyStyle> ParseReplyStyle(const std::string& text) {
    if (text == "ack") return ReplyStyle::Ack;
    if (text == "positive") return ReplyStyle::Positive;
    return std::nullopt;
}

std::optional<std::uint8_t> ParseByte(const std::string& text) {
    if (text.size() == 4 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        char* end = nullptr;
        const long v = std::strtol(text.c_str() + 2, &end, 16);
        if (end != text.c_str() + 4 || v <= 0 || v > 0xFF) return std::nullopt;
        return static_cast<std::uint8_t>(v);
    }
    const auto bytes = Utf8ToCp1251(text);
    if (!bytes || bytes->size() != 1 || (*bytes)[0] == '\0') return std::nullopt;
    return static_cast<std::uint8_t>((*bytes)[0]);
}

std::optional<std::uint8_t> ParseIndex(const std::string& text) {
    const auto b = ParseByte(text);
    if (!b || !IsIndexByte(*b)) return std::nullopt;
    return b;
}

std::string IndexText(std::uint8_t index) { return Cp1251ToUtf8(std::string(1, static_cast<char>(index))); }

}  // namespace tulex::sim
