#include "line/HexDigits.h"

namespace tulex {

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, std::uint8_t value) {
    out.push_back(kUpperDigits[value >> 4]);
    out.push_back(kUpperDigits[value & 0x0F]);
}

}  // namespace

std::optional<std::uint8_t> ParseHexByte(std::string_view twoDigits) {
    if (twoDigits.size() != 2) return std::nullopt;
    const std::optional<int> high = HexDigitValue(twoDigits[0]);
    const std::optional<int> low = HexDigitValue(twoDigits[1]);
    if (!high || !low) return std::nullopt;
    return static_cast<std::uint8_t>(*high * 16 + *low);
}

std::optional<std::uint8_t> ParsePrefixedHexByte(std::string_view text) {
    if (text.size() != 4 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return std::nullopt;
    return ParseHexByte(text.substr(2));
}

std::string HexByte(std::uint8_t value) {
    std::string out;
    AppendHexByte(out, value);
    return out;
}

std::string HexBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        if (!out.empty()) out.push_back(' ');
        AppendHexByte(out, static_cast<std::uint8_t>(c));
    }
    return out;
}

}  // namespace tulex
