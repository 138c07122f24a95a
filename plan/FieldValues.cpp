#include "plan/FieldValues.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "controller/DialogText.h"
#include "controller/IndexInput.h"
#include "controller/RelayTimeInput.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex::plan {

namespace {

std::string Quoted(const std::string& text) { return "«" + text + "»"; }

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string TrimmedValue(std::string_view text) { return TrimDialogText(text); }

std::string IndexUtf8(std::uint8_t index) { return Cp1251ToUtf8(std::string(1, static_cast<char>(index))); }

bool ParseIndexValue(std::string_view text, std::uint8_t& index, std::string& error) {
    const std::string trimmed = TrimmedValue(text);
    if (trimmed.empty()) {
        error = "не указан индекс контроллера";
        return false;
    }
    if (const auto byte = ParsePrefixedHexByte(trimmed); byte && IsIndexByte(*byte)) {
        index = *byte;
        return true;
    }
    const IndexInput input = CheckIndexInput(trimmed);
    if (!input.accepted) {
        error = Quoted(trimmed) + " — неверный индекс (допустимые значения: G - ь или 0x47 - 0xFC)";
        return false;
    }
    index = input.index;
    return true;
}

bool ParsePresetValue(std::string_view text, Preset& preset, std::string& error) {
    const std::string trimmed = TrimmedValue(text);
    if (trimmed.size() == 1 && trimmed[0] >= '1' && trimmed[0] <= '5') {
        preset = static_cast<Preset>(trimmed[0] - '1');
        return true;
    }
    error = Quoted(trimmed) + " — неверный стандартный набор (допустимые значения: 1 - 5)";
    return false;
}

bool ParseModeValue(std::string_view text, Mode& mode, std::string& error) {
    const std::string trimmed = TrimmedValue(text);
    const std::string lower = Lower(trimmed);
    for (std::size_t i = 0; i < kModeNames.size(); ++i) {
        if (lower == kModeNames[i]) {
            mode = static_cast<Mode>(i);
            return true;
        }
    }
    error = Quoted(trimmed) + " — неверный режим (допустимые значения: offline, online, autonomous)";
    return false;
}

bool ParseRelayValue(std::string_view text, std::uint8_t& tenths, std::string& error) {
    const RelayTimeInput input = CheckRelayTimeInput(text);
    if (!input.accepted) {
        error = Quoted(input.trimmed) +
                " — неверное время удержания (допустимые значения: 0.1 - 25.5 с, десятичный разделитель — точка)";
        return false;
    }
    tenths = input.tenths;
    return true;
}

bool ParseMasterCardValue(std::string_view text, std::string& card, std::string& error) {
    const std::string trimmed = TrimmedValue(text);
    const bool good = trimmed.size() == 10 && std::all_of(trimmed.begin(), trimmed.end(), IsHexDigit);
    if (!good) {
        error = Quoted(trimmed) + " — неверный номер мастер-карты (нужно 10 шестнадцатеричных цифр)";
        return false;
    }
    card = trimmed;
    std::transform(card.begin(), card.end(), card.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return true;
}

std::string PresetValueText(Preset preset) { return std::to_string(static_cast<int>(preset) + 1); }

std::string ModeValueText(Mode mode) { return kModeNames.at(static_cast<std::size_t>(mode)); }

std::string TenthsText(std::uint8_t tenths) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d.%d", tenths / 10, tenths % 10);
    return buffer;
}

}  // namespace tulex::plan
