#pragma once
// The check of the relay hold-time dialog's text: seconds from 0.1 to 25.5
// with "." as the decimal separator, written to the controller in tenths
// (cut, not rounded) as two hex digits.

#include <cstdint>
#include <string>
#include <string_view>

namespace tulex {

struct RelayTimeInput {
    bool accepted = false;
    std::string trimmed;      // the text to remember and to show in the description (UTF-8)
    std::uint8_t tenths = 0;  // the register value when accepted
    std::string hex;          // tenths as two upper-case hex digits
    std::string messageText;  // refusal ("Информация", warning icon)
};

RelayTimeInput CheckRelayTimeInput(std::string_view typedUtf8);

inline constexpr const char* kRelayTimePrompt = "Время, с:";

}  // namespace tulex
