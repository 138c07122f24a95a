// The text conversions at the edges: Windows-1251 from the line to UTF-8 on
// screen and back, operator text to the line, and tulex-cli's JSON strings
// and terminal output, on arbitrary bytes.
//
// Checked: line bytes always give UTF-8 that converts back to the same bytes;
// UTF-8 that converts to the line converts back to itself, and the lossy
// conversion agrees with it; JsonQuote gives a JSON string literal a strict
// parser takes, UTF-8, that decodes to the input where the input was UTF-8;
// TerminalSafe gives UTF-8 without C0 (but line feed and tab), DEL or C1
// controls, and leaves text without them as it was.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "cli/ConsoleView.h"
#include "fuzz/FuzzCheck.h"
#include "line/Cp1251.h"

namespace tulex::fuzz {
namespace {

bool IsControl(char32_t cp) { return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F); }
bool IsTerminalControl(char32_t cp) { return IsControl(cp) && cp != '\n' && cp != '\t'; }

bool HasTerminalControl(std::string_view utf8) {
    char32_t cp = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        if (!NextUtf8CodePoint(utf8, i, cp)) return true;  // not UTF-8: not left alone either
        if (IsTerminalControl(cp)) return true;
    }
    return false;
}

void CheckLineBytes(std::string_view bytes) {
    const std::string utf8 = Cp1251ToUtf8(bytes);
    RequireUtf8(utf8, "line bytes read as UTF-8");
    const auto back = Utf8ToCp1251(utf8);
    Require(back && *back == bytes, "line bytes survive the round trip through UTF-8");
    Require(Utf8ToCp1251Lossy(utf8) == bytes, "the lossy conversion agrees where nothing is lost");
}

void CheckOperatorText(std::string_view text) {
    const bool valid = IsValidUtf8(text);
    const auto bytes = Utf8ToCp1251(text);
    const std::string lossy = Utf8ToCp1251Lossy(text);
    Require(valid || !bytes, "text that is not UTF-8 does not go on the line");
    Require(lossy.size() <= text.size(), "the lossy conversion makes one byte of each character at most");
    if (bytes) {
        Require(Cp1251ToUtf8(*bytes) == text, "text that goes on the line reads back as typed");
        Require(lossy == *bytes, "the lossy conversion agrees where nothing is lost");
    }
}

void CheckJsonQuote(std::string_view text) {
    const std::string quoted = cli::JsonQuote(text);
    RequireUtf8(quoted, "a JSON string is UTF-8");
    nlohmann::json parsed;
    try {
        parsed = nlohmann::json::parse(quoted);
    } catch (const nlohmann::json::exception&) {
        Broken("JsonQuote gives a JSON string literal a strict parser takes");
    }
    Require(parsed.is_string(), "JsonQuote gives a JSON string");
    if (IsValidUtf8(text)) Require(parsed.get_ref<const std::string&>() == text, "a JSON string decodes to its text");
}

void CheckTerminalSafe(std::string_view text) {
    const std::string safe = cli::TerminalSafe(text);
    RequireUtf8(safe, "terminal output is UTF-8");
    Require(!HasTerminalControl(safe), "terminal output holds no control but line feed and tab");
    if (!HasTerminalControl(text)) Require(safe == text, "text without controls reaches the terminal unchanged");
}

}  // namespace
}  // namespace tulex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulex::fuzz;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckLineBytes(bytes);
    CheckOperatorText(bytes);
    CheckJsonQuote(bytes);
    CheckTerminalSafe(bytes);
    return 0;
}
