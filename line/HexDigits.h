#pragma once
// Hexadecimal digits. The line carries them in upper case; replies read back
// from a controller, typed text and command arguments may use either case.
// Written out they are always upper case.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tulex {

// "0"-"9" and "A"-"F" (upper case only, as on the line).
constexpr bool IsLineHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// "0"-"9", "A"-"F" and "a"-"f".
constexpr bool IsHexDigit(char c) { return IsLineHexDigit(c) || (c >= 'a' && c <= 'f'); }

// The value 0..15 of a digit of either case; nothing for any other character.
constexpr std::optional<int> HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return std::nullopt;
}

// Exactly two digits of either case ("4F", "4f") as a byte.
std::optional<std::uint8_t> ParseHexByte(std::string_view twoDigits);

// "0xHH" or "0XHH" (digits of either case), the way a byte is written as an
// argument; nothing for any other text.
std::optional<std::uint8_t> ParsePrefixedHexByte(std::string_view text);

// Two upper-case digits: 0x0A -> "0A".
std::string HexByte(std::uint8_t value);

// Bytes as upper-case pairs separated by one space: "FF FF 47".
std::string HexBytes(std::string_view bytes);

}  // namespace tulex
