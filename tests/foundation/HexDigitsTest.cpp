// Hex digits: which characters count as digits on the line and elsewhere,
// two-digit bytes read in either case and written in upper case.

#include "line/HexDigits.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tulex {
namespace {

TEST(HexDigits, EveryCharacterClassified) {
    // Each character's value as a digit of either case, or nothing.
    const auto expected = [](int c) -> std::optional<int> {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return std::nullopt;
    };
    for (int i = 0; i < 256; ++i) {
        const auto c = static_cast<char>(i);
        const std::optional<int> value = expected(i);
        EXPECT_EQ(HexDigitValue(c), value) << i;
        EXPECT_EQ(IsHexDigit(c), value.has_value()) << i;
        // The line carries upper-case digits only.
        EXPECT_EQ(IsLineHexDigit(c), value.has_value() && !(i >= 'a' && i <= 'f')) << i;
    }
}

TEST(HexDigits, TwoDigitBytes) {
    struct Case {
        const char* text;
        std::optional<std::uint8_t> byte;
    };
    const Case cases[] = {
        {"00", 0x00},         {"4F", 0x4F},         {"4f", 0x4F},         {"aB", 0xAB},          {"FF", 0xFF},
        {"09", 0x09},         {"", std::nullopt},   {"4", std::nullopt},  {"4FF", std::nullopt}, {"G0", std::nullopt},
        {"0g", std::nullopt}, {" 4", std::nullopt}, {"+4", std::nullopt}, {"4?", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseHexByte(c.text), c.byte) << '"' << c.text << '"';
}

TEST(HexDigits, PrefixedBytes) {
    struct Case {
        const char* text;
        std::optional<std::uint8_t> byte;
    };
    const Case cases[] = {
        {"0x47", 0x47},         {"0XC6", 0xC6},          {"0xfc", 0xFC},         {"0x00", 0x00},
        {"0x4", std::nullopt},  {"0x477", std::nullopt}, {"47", std::nullopt},   {"0047", std::nullopt},
        {"1x47", std::nullopt}, {"0y47", std::nullopt},  {"0x4G", std::nullopt}, {"0x 4", std::nullopt},
        {"0x+4", std::nullopt}, {"x047", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParsePrefixedHexByte(c.text), c.byte) << '"' << c.text << '"';
}

TEST(HexDigits, WrittenInUpperCaseAndReadBack) {
    EXPECT_EQ(HexByte(0x00), "00");
    EXPECT_EQ(HexByte(0x0A), "0A");
    EXPECT_EQ(HexByte(0xA0), "A0");
    EXPECT_EQ(HexByte(0xFF), "FF");
    for (int i = 0; i < 256; ++i) {
        const auto byte = static_cast<std::uint8_t>(i);
        const std::string text = HexByte(byte);
        ASSERT_EQ(text.size(), 2u);
        EXPECT_TRUE(IsLineHexDigit(text[0]) && IsLineHexDigit(text[1])) << text;
        EXPECT_EQ(ParseHexByte(text), byte) << text;
    }
}

TEST(HexDigits, ByteDumps) {
    EXPECT_EQ(HexBytes(""), "");
    EXPECT_EQ(HexBytes("G"), "47");
    EXPECT_EQ(HexBytes(std::string("\xFF\xFD?\0\xC6", 5)), "FF FD 3F 00 C6");
}

}  // namespace
}  // namespace tulex
