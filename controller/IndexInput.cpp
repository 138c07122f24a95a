#include "controller/IndexInput.h"

#include "controller/DialogText.h"
#include "display/Captions.h"
#include "line/Cp1251.h"
#include "line/Frame.h"

namespace tulex {

namespace {

// Characters in UTF-8 text: every byte that does not continue a sequence.
std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace

IndexInput CheckIndexInput(std::string_view typedUtf8) {
    IndexInput result;
    result.trimmed = TrimDialogText(typedUtf8);
    if (result.trimmed.empty()) {
        result.messageCaption = kCaptionWarning;
        result.messageText = "Неверное значение.";
        return result;
    }
    const std::string refusal = ReplaceMalformedUtf8(result.trimmed) + " — неверное значение.";
    if (CharacterCount(result.trimmed) > 1) {
        result.messageCaption = kCaptionInformation;
        result.messageText = refusal;
        return result;
    }
    // One character: an index only if Windows-1251 carries it as a byte of
    // the index table.
    const auto bytes = Utf8ToCp1251(result.trimmed);
    if (bytes && bytes->size() == 1 && IsIndexByte(static_cast<std::uint8_t>((*bytes)[0]))) {
        result.accepted = true;
        result.index = static_cast<std::uint8_t>((*bytes)[0]);
        return result;
    }
    result.messageCaption = kCaptionWarning;
    result.messageText = refusal;
    return result;
}

}  // namespace tulex
