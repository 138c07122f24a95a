// The texts tulex-cli prints: JSON string literals that a strict decoder
// accepts whatever bytes came from the line or the command line, and
// terminal lines that no byte can turn into a control sequence.

#include <gtest/gtest.h>

#include <string>

#include "cli/ConsoleView.h"
#include "line/Cp1251.h"

namespace tulex::cli {
namespace {

struct TextCase {
    const char* name;
    std::string input;
    std::string json;      // JsonQuote without the quotes
    std::string terminal;  // TerminalSafe
};

const TextCase kTexts[] = {
    {"plain Russian", "Порт COM1", "Порт COM1", "Порт COM1"},
    {"quote and backslash", "a\"b\\c", "a\\\"b\\\\c", "a\"b\\c"},
    {"line feed and tab", "a\nb\tc", "a\\nb\\tc", "a\nb\tc"},
    {"escape and bell", "\x1b[2J\a", "\\u001B[2J\\u0007", "\\x1B[2J\\x07"},
    {"C1 control U+009B", "\xC2\x9B", "\\u009B", "\\x9B"},
    {"overlong slash C1 BE", "\xC1\xBE", "\\ufffd\\ufffd", "\\xC1\\xBE"},
    {"overlong three bytes E0 80 AF", "\xE0\x80\xAF", "\\ufffd\\ufffd\\ufffd", "\\xE0\\x80\\xAF"},
    {"surrogate ED A0 80", "\xED\xA0\x80", "\\ufffd\\ufffd\\ufffd", "\\xED\\xA0\\x80"},
    {"beyond U+10FFFF F4 90 80 80", "\xF4\x90\x80\x80", "\\ufffd\\ufffd\\ufffd\\ufffd", "\\xF4\\x90\\x80\\x80"},
    {"cut short", "ab\xD0", "ab\\ufffd", "ab\\xD0"},
    {"lone continuation", "\x80z", "\\ufffdz", "\\x80z"},
    {"highest code point kept", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
};

class Texts : public ::testing::TestWithParam<TextCase> {};

TEST_P(Texts, JsonIsValidUtf8AndKeepsWhatIsValid) {
    const TextCase& c = GetParam();
    const std::string quoted = JsonQuote(c.input);
    EXPECT_EQ(quoted, "\"" + c.json + "\"");
    EXPECT_TRUE(IsValidUtf8(quoted));
}

TEST_P(Texts, TerminalLinesAreValidUtf8WithNoControls) {
    const TextCase& c = GetParam();
    const std::string safe = TerminalSafe(c.input);
    EXPECT_EQ(safe, c.terminal);
    EXPECT_TRUE(IsValidUtf8(safe));
}

INSTANTIATE_TEST_SUITE_P(Bytes, Texts, ::testing::ValuesIn(kTexts), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

}  // namespace
}  // namespace tulex::cli
