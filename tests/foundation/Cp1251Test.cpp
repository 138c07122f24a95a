#include "line/Cp1251.h"

#include <gtest/gtest.h>

namespace tulex {
namespace {

TEST(Cp1251, RoundTripOfEveryNonZeroByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(all);
    const auto back = Utf8ToCp1251(utf8);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(Cp1251, KnownCharacters) {
    EXPECT_EQ(Cp1251ToUtf8("\xC6"), "Ж");
    EXPECT_EQ(Cp1251ToUtf8("\xFC"), "ь");
    EXPECT_EQ(Cp1251ToUtf8("\x97"), "—");
    EXPECT_EQ(Utf8ToCp1251("Порт открыт. Скорость, бит/с — "),
              std::string("\xCF\xEE\xF0\xF2 \xEE\xF2\xEA\xF0\xFB\xF2. \xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC, "
                          "\xE1\xE8\xF2/\xF1 \x97 "));
}

TEST(Cp1251, RefusesWhatCannotBeCarried) {
    EXPECT_FALSE(Utf8ToCp1251("日本").has_value());      // no such characters
    EXPECT_FALSE(Utf8ToCp1251("\xC3").has_value());      // truncated sequence
    EXPECT_FALSE(Utf8ToCp1251("\xC0\xAF").has_value());  // overlong "/"
    EXPECT_EQ(Utf8ToCp1251Lossy("a日b"), "a?b");
}

TEST(Cp1251, ReplaceMalformedUtf8KeepsValidTextAndMarksEachBadByte) {
    struct Case {
        std::string_view text;
        std::string_view shown;
    };
    const Case cases[] = {
        {"", ""},
        {"Ж ь — 日本 😀", "Ж ь — 日本 😀"},
        {"\xFF", "?"},
        {"a\x80"
         "b",
         "a?b"},
        {"\xC1\xBE", "??"},                                          // overlong
        {"\xE0\x80\xAF", "???"},                                     // overlong
        {"\xED\xA0\x80", "???"},                                     // surrogate
        {"\xF4\x90\x80\x80", "????"},                                // beyond U+10FFFF
        {"\xD0", "?"},                                               // cut short at the end
        {"\xD0Ж", "?Ж"},                                             // cut short before a valid character
        {std::string_view("a\0b", 3), std::string_view("a\0b", 3)},  // valid, left alone
    };
    for (const auto& c : cases) {
        const std::string shown = ReplaceMalformedUtf8(c.text);
        EXPECT_EQ(shown, c.shown) << c.text;
        EXPECT_TRUE(IsValidUtf8(shown)) << c.text;
    }
}

}  // namespace
}  // namespace tulex
