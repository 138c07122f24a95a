#pragma once
// Checks of what the operator types into the converter dialogs. Operator text
// is UTF-8; it goes on the line as Windows-1251, and text that Windows-1251
// cannot carry is refused rather than sent altered.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tulex {

// A refused input: the message box to show (warning icon).
struct InputRefusal {
    std::string caption;
    std::string text;
};

// Leading and trailing blanks and control characters (bytes up to 0x20) cut off.
std::string TrimInput(std::string_view text);

// The upper index of the poll range from the trimmed dialog text: one
// character from H (0x48) to Ж (0xC6), as its line byte.
struct PollRangeCheck {
    std::optional<std::uint8_t> index;  // set when accepted
    InputRefusal refusal;               // filled when refused
};
PollRangeCheck CheckPollRange(std::string_view trimmed);

// The raw command as line bytes (sent exactly as typed, empty included), or
// the refusal when it holds characters Windows-1251 does not have.
struct RawCommandCheck {
    std::optional<std::string> bytes;
    InputRefusal refusal;
};
RawCommandCheck CheckRawCommand(std::string_view typed);

inline constexpr std::uint8_t kPollRangeLowest = 0x48;   // H
inline constexpr std::uint8_t kPollRangeHighest = 0xC6;  // Ж

}  // namespace tulex
