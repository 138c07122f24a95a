#pragma once
// The check of the index-change dialog's text: one character of the index
// table (G to ь), typed as UTF-8 and carried on the line as its
// Windows-1251 byte.

#include <cstdint>
#include <string>
#include <string_view>

namespace tulex {

struct IndexInput {
    bool accepted = false;
    std::uint8_t index = 0;      // the index character (line byte) when accepted
    std::string trimmed;         // the text to remember as the dialog's default (UTF-8)
    std::string messageCaption;  // refusal: the message box title ...
    std::string messageText;     // ... and its text (warning icon)
};

// Trims the typed text and checks it: empty -> "Неверное значение."
// ("Предупреждение"); one character outside the index table -> the text and
// " — неверное значение." ("Предупреждение"); more than one character -> the
// same text with the title "Информация".
IndexInput CheckIndexInput(std::string_view typedUtf8);

inline constexpr const char* kIndexDialogCaption = "Изменение индекса контроллера";
inline constexpr const char* kIndexDialogPrompt = "Допустимые значения: G - ь\n\nИндекс:";

}  // namespace tulex
