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

}  // namespace
}  // namespace tulex
