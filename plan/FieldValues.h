#pragma once
// The values of a plan's fields as a file writes them, checked the way the
// window's dialogs check what is typed: the index as the index dialog takes
// it (or 0xHH), the hold time as the relay-time dialog takes it. Each
// returns false with the reason (UTF-8) when it refuses the text; the text
// is trimmed of blanks and control characters first.

#include <cstdint>
#include <string>
#include <string_view>

#include "plan/Plan.h"

namespace tulex::plan {

bool ParseIndexValue(std::string_view text, std::uint8_t& index, std::string& error);
// "1".."5": the standard sets in menu order.
bool ParsePresetValue(std::string_view text, Preset& preset, std::string& error);
// "offline", "online", "autonomous" (any case).
bool ParseModeValue(std::string_view text, Mode& mode, std::string& error);
// Seconds 0.1..25.5 with "." as separator -> the register value in tenths.
bool ParseRelayValue(std::string_view text, std::uint8_t& tenths, std::string& error);
// Ten hex digits of either case -> upper case.
bool ParseMasterCardValue(std::string_view text, std::string& card, std::string& error);

// Text trimmed as the dialogs trim it.
std::string TrimmedValue(std::string_view text);

// The index character in UTF-8 ("G", "Ж").
std::string IndexUtf8(std::uint8_t index);

// How a plan writes a field's value back: "1", "offline", "2.5".
std::string PresetValueText(Preset preset);
std::string ModeValueText(Mode mode);
// A relay register value in seconds with one decimal ("2.0", "25.5").
std::string TenthsText(std::uint8_t tenths);

}  // namespace tulex::plan
