#include "line/Frame.h"

#include <gtest/gtest.h>

namespace tulex {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

TEST(Frame, RequestWorkedExample) {
    EXPECT_EQ(BuildRequest('G', "!134"),
              Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x47, 0x47, 0x21, 0x31, 0x33, 0x34, 0x3F, 0x28}));
}

TEST(Frame, ConverterCommandZero) {
    EXPECT_EQ(BuildRequest(kConverterAddress, "0"), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFE, 0x30, 0x3F, 0x0F}));
}

TEST(Frame, CheckCharacterDoesNotDependOnIndex) {
    for (int index = kFirstIndex; index <= kLastIndex; ++index) {
        const std::string frame = BuildRequest(static_cast<std::uint8_t>(index), "$$02011310111617121819");
        ASSERT_EQ(frame.size(), 4u + 2 + 22 + 2);
        EXPECT_EQ(frame.back(), BuildRequest('G', "$$02011310111617121819").back()) << index;
        EXPECT_EQ(static_cast<std::uint8_t>(frame[4]), index);
        EXPECT_EQ(static_cast<std::uint8_t>(frame[5]), index);
    }
}

TEST(Frame, CheckCharacterZeroCutsTheFrame) {
    // "?" alone XORs to 0x3F, so the check character is 0 and is not sent.
    const std::string frame = BuildRequest('H', "?");
    EXPECT_EQ(frame, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x48, 0x48, 0x3F, 0x3F}));
    const std::string text = Bytes({0x30, 0x0F});  // 0x30 ^ 0x0F = 0x3F
    EXPECT_EQ(BuildRequest('G', text).size(), 4u + 2 + 2 + 1);
}

TEST(Frame, CheckCharacterMayBeTerminatorOrPrefix) {
    // The check byte is whatever the XOR gives, "?" and 0xFF included.
    EXPECT_EQ(static_cast<std::uint8_t>(BuildRequest('G', "AA").back()), 0x3F);
    EXPECT_EQ(static_cast<std::uint8_t>(BuildRequest('G', Bytes({0xC0})).back()), 0xFF);
}

TEST(Frame, ShortFrames) {
    EXPECT_EQ(BuildShortFrame(kBufferTarget), Bytes({0xFF, 0xFD, 0x3F}));
    EXPECT_EQ(BuildShortFrame('G'), Bytes({0xFF, 0x47, 0x3F}));
}

TEST(Frame, IndexTable) {
    EXPECT_EQ(kIndexCount, 182);
    EXPECT_FALSE(IsIndexByte(0x46));
    EXPECT_TRUE(IsIndexByte(0x47));
    EXPECT_TRUE(IsIndexByte(0xFC));
    EXPECT_FALSE(IsIndexByte(kBufferTarget));
    EXPECT_FALSE(IsIndexByte(kConverterAddress));
    EXPECT_FALSE(IsIndexByte(kPrefixByte));
    // Every protocol character lies below the index table.
    for (const char c : std::string("?!$#&:;0123456789ABCDEF")) EXPECT_FALSE(IsIndexByte(static_cast<std::uint8_t>(c)));
}

TEST(Frame, CutAtZero) {
    EXPECT_EQ(CutAtZero(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(CutAtZero("abc"), "abc");
}

}  // namespace
}  // namespace tulex
