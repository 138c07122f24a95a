#pragma once
// IDX on tulex-cli's command line: one character (UTF-8, sent as its
// Windows-1251 byte) or 0xHH for the character of that byte, checked as the
// window's index dialog checks typed text.

#include <cstdint>
#include <optional>
#include <string>

namespace tulex::cli {

// The argument as the operator would have typed it into the dialog: 0xHH
// becomes the character of that Windows-1251 byte, anything else stays.
std::string IndexAsTyped(const std::string& argument);

// The index, or nullopt after the dialog's refusal was printed to standard
// error.
std::optional<std::uint8_t> ParseIndexArgument(const std::string& argument);

}  // namespace tulex::cli
