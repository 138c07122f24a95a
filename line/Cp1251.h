#pragma once
// Windows-1251 <-> UTF-8 at the edges: bytes from the line shown on screen,
// text the operator types that goes on the line, and the monitor save file.
// Lossless for every byte 0x01..0xFF (0x98 travels as U+0098).

#include <optional>
#include <string>
#include <string_view>

namespace tulex {

std::string Cp1251ToUtf8(std::string_view bytes);

// nullopt if the text is not valid UTF-8 or holds a character that
// Windows-1251 cannot carry.
std::optional<std::string> Utf8ToCp1251(std::string_view text);

// Same, but an unknown character becomes "?". For program texts only.
std::string Utf8ToCp1251Lossy(std::string_view text);

std::optional<char> UnicodeToCp1251(char32_t codePoint);

// Decodes the UTF-8 sequence at text[i] into codePoint and moves i past it.
// False for a malformed, overlong or surrogate sequence (i is left alone).
bool NextUtf8CodePoint(std::string_view text, std::size_t& i, char32_t& codePoint);

bool IsValidUtf8(std::string_view text);

// Text fit to be shown or printed: each byte that starts no valid UTF-8
// sequence (stray, overlong, surrogate, cut short) becomes "?"; valid UTF-8
// comes back unchanged. For texts made of bytes from outside, such as
// tulex-cli's arguments or a file's contents.
std::string ReplaceMalformedUtf8(std::string_view text);

}  // namespace tulex
