#include "controller/RelayTimeInput.h"

#include <charconv>

#include "controller/DialogText.h"
#include "line/Cp1251.h"
#include "line/HexDigits.h"

namespace tulex {

RelayTimeInput CheckRelayTimeInput(std::string_view typedUtf8) {
    RelayTimeInput result;
    result.trimmed = TrimDialogText(typedUtf8);
    const std::string& text = result.trimmed;
    // from_chars reads "." as the separator whatever the process locale is,
    // and must take the whole text: "2,5" or "2.5с" is not a number here.
    double seconds = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    const bool number = !text.empty() && error == std::errc() && end == text.data() + text.size();
    // Written so that NaN fails too.
    if (!number || !(seconds >= 0.1 && seconds <= 25.5)) {
        result.messageText =
            ReplaceMalformedUtf8(text) + " — неверное значение.\n\nДиапазон значений времени: 0.1 — 25.5 с";
        return result;
    }
    result.accepted = true;
    result.tenths = static_cast<std::uint8_t>(static_cast<int>(seconds * 10.0));
    result.hex = HexByte(result.tenths);
    return result;
}

}  // namespace tulex
