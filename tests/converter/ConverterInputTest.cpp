// What the converter dialogs accept: the poll range's upper index and the raw
// command, and how text goes from UTF-8 to the line's Windows-1251.

#include <gtest/gtest.h>

#include <ostream>

#include <string>

#include "converter/ConverterInput.h"

namespace tulex {
namespace {

TEST(TrimInput, CutsBlanksAndControlCharactersAtBothEndsOnly) {
    EXPECT_EQ(TrimInput(" Ж "), "Ж");
    EXPECT_EQ(TrimInput("\t\r\nH\x01"), "H");
    EXPECT_EQ(TrimInput("  "), "");
    EXPECT_EQ(TrimInput("A B"), "A B");
    // A non-breaking space is a character, not a blank to cut.
    EXPECT_EQ(TrimInput("\u00A0H"), "\u00A0H");
}

struct PollCase {
    const char* name;
    std::string trimmed;
    int index;  // accepted byte, or -1 when refused
    const char* caption;
    std::string text;
};

// Test lists show the case's name, not its bytes.
void PrintTo(const PollCase& c, std::ostream* os) { *os << c.name; }

class PollRangeTable : public ::testing::TestWithParam<PollCase> {};

TEST_P(PollRangeTable, AcceptsOneCharacterFromHToZhe) {
    const PollCase& c = GetParam();
    const PollRangeCheck check = CheckPollRange(c.trimmed);
    if (c.index >= 0) {
        ASSERT_TRUE(check.index.has_value());
        EXPECT_EQ(*check.index, c.index);
    } else {
        EXPECT_FALSE(check.index.has_value());
        EXPECT_EQ(check.refusal.caption, c.caption);
        EXPECT_EQ(check.refusal.text, c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, PollRangeTable,
    ::testing::Values(PollCase{"Zhe", "Ж", 0xC6, "", ""}, PollCase{"H", "H", 0x48, "", ""},
                      PollCase{"Latin_z", "z", 0x7A, "", ""}, PollCase{"Ye_C5", "Е", 0xC5, "", ""},
                      PollCase{"empty", "", -1, "Предупреждение", "Неверное значение."},
                      PollCase{"two_characters", "Ж1", -1, "Информация", "Ж1 — неверное значение."},
                      PollCase{"three_characters", "GHI", -1, "Информация", "GHI — неверное значение."},
                      PollCase{"G_below", "G", -1, "Предупреждение", "G — неверное значение."},
                      PollCase{"digit_below", "1", -1, "Предупреждение", "1 — неверное значение."},
                      PollCase{"Ze_above", "З", -1, "Предупреждение", "З — неверное значение."},
                      PollCase{"soft_sign_above", "ь", -1, "Предупреждение", "ь — неверное значение."},
                      // One character that Windows-1251 lacks is refused, never sent altered.
                      PollCase{"not_in_cp1251", "☃", -1, "Предупреждение", "☃ — неверное значение."},
                      PollCase{"malformed_utf8", "\xC6", -1, "Предупреждение", "? — неверное значение."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RawCommand, SentAsTypedInWindows1251) {
    struct {
        std::string typed;
        std::string bytes;
    } cases[] = {
        {"", ""},                          // an empty command is a request without text
        {" 1Ж ", std::string(" 1\xC6 ")},  // not trimmed
        {"€№", std::string("\x88\xB9")},
        {"5?", "5?"},
    };
    for (const auto& c : cases) {
        const RawCommandCheck check = CheckRawCommand(c.typed);
        ASSERT_TRUE(check.bytes.has_value()) << c.typed;
        EXPECT_EQ(*check.bytes, c.bytes) << c.typed;
    }
}

TEST(RawCommand, TextWindows1251CannotCarryIsRefusedNamingTheCharacters) {
    const RawCommandCheck check = CheckRawCommand("A☃B漢");
    EXPECT_FALSE(check.bytes.has_value());
    EXPECT_EQ(check.refusal.caption, "Предупреждение");
    EXPECT_EQ(check.refusal.text,
              "Команда не отправлена: символов «☃», «漢» нет в кодировке Windows-1251, их нельзя передать в линию.");

    const RawCommandCheck malformed = CheckRawCommand("A\xFF");
    EXPECT_FALSE(malformed.bytes.has_value());
    EXPECT_EQ(malformed.refusal.caption, "Предупреждение");
    EXPECT_EQ(malformed.refusal.text, "Команда не отправлена: текст не в кодировке UTF-8.");
}

}  // namespace
}  // namespace tulex
