// The frame cutter fed byte by byte: where frames end, what goes into the
// prefix run and the frame text, check characters, and the size limit.

#include "line/FrameReader.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace tulex {
namespace {

struct Cut {
    FrameKind kind;
    std::string prefix;
    std::string text;
};

// Feeds every byte and collects the completed frames.
std::vector<Cut> CutAll(FrameReader& reader, std::string_view bytes) {
    std::vector<Cut> out;
    for (const char c : bytes) {
        if (reader.Feed(static_cast<std::uint8_t>(c)))
            out.push_back({reader.kind(), std::string(reader.prefix()), std::string(reader.text())});
    }
    return out;
}

std::vector<Cut> CutAll(std::string_view bytes) {
    FrameReader reader;
    return CutAll(reader, bytes);
}

struct Case {
    const char* name;
    std::string bytes;
    FrameKind kind;
    std::string prefix;
    std::string text;
};

// Test lists show the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class OneFrame : public ::testing::TestWithParam<Case> {};

TEST_P(OneFrame, IsCutWhereItEnds) {
    const Case& c = GetParam();
    // The frame, then an acknowledgement that must come out as a frame of
    // its own: nothing of the next frame is swallowed, nothing is left over.
    const auto cuts = CutAll(c.bytes + "!");
    ASSERT_EQ(cuts.size(), 2u) << c.name;
    EXPECT_EQ(cuts[0].kind, c.kind) << c.name;
    EXPECT_EQ(cuts[0].prefix, c.prefix) << c.name;
    EXPECT_EQ(cuts[0].text, c.text) << c.name;
    EXPECT_EQ(cuts[1].kind, FrameKind::Acknowledgement);
    EXPECT_EQ(cuts[1].text, "!");
}

const std::string kFour = "\xFF\xFF\xFF\xFF";

INSTANTIATE_TEST_SUITE_P(
    Rows, OneFrame,
    ::testing::Values(Case{"echoed request takes its check character", kFour + "GG!134?(", FrameKind::IndexLed, kFour,
                           "GG!134?("},
                      Case{"echoed short frame has none", "\xFFG?", FrameKind::IndexLed, "\xFF", "G?"},
                      Case{"controller frame without prefix has none", "G:0123?", FrameKind::IndexLed, "", "G:0123?"},
                      Case{"buffer target", "\xFF\xFD?", FrameKind::BufferTarget, "\xFF", "\xFD?"},
                      Case{"converter frame after a prefix takes a check character",
                           kFour + "\xFE"
                                   "V?\x55",
                           FrameKind::Converter, kFour,
                           "\xFE"
                           "V?\x55"},
                      Case{"converter frame without prefix has none", "\xFEV?", FrameKind::Converter, "", "\xFEV?"},
                      Case{"acknowledgement alone", "!", FrameKind::Acknowledgement, "", "!"},
                      Case{"acknowledgement after a prefix", "\xFF!", FrameKind::Acknowledgement, "\xFF", "!"},
                      Case{"positive reply", "$0?", FrameKind::PositiveReply, "", "$0?"},
                      Case{"error reply", "#?", FrameKind::ErrorReply, "", "#?"},
                      Case{"device error", "&12?", FrameKind::DeviceError, "", "&12?"},
                      Case{"converter data", "0A1B?", FrameKind::ConverterData, "", "0A1B?"},
                      Case{"lone byte", "*", FrameKind::Other, "", "*"},
                      Case{"lone question mark", "?", FrameKind::Other, "", "?"},
                      Case{"zero byte stays in the text",
                           std::string("G:0\0"
                                       "1?",
                                       6),
                           FrameKind::IndexLed, "",
                           std::string("G:0\0"
                                       "1?",
                                       6)},
                      Case{"prefix bytes inside a frame are text", "G:\xFF?", FrameKind::IndexLed, "", "G:\xFF?"},
                      Case{"last index character", "\xFC;1?", FrameKind::IndexLed, "", "\xFC;1?"}));

TEST(FrameReader, KindOfEveryFirstByte) {
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        FrameKind expected = FrameKind::Other;
        if (b == 0xFD)
            expected = FrameKind::BufferTarget;
        else if (b == 0xFE)
            expected = FrameKind::Converter;
        else if (b == '!')
            expected = FrameKind::Acknowledgement;
        else if (b == '$')
            expected = FrameKind::PositiveReply;
        else if (b == '#')
            expected = FrameKind::ErrorReply;
        else if (b >= 0x47 && b <= 0xFC)
            expected = FrameKind::IndexLed;
        else if (b == '&')
            expected = FrameKind::DeviceError;
        else if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'F'))
            expected = FrameKind::ConverterData;
        EXPECT_EQ(FrameReader::KindOf(byte), expected) << b;
    }
}

TEST(FrameReader, LostTerminatorMergesFrames) {
    // "G:01" loses its "?": the next reply is swallowed up to its "?".
    const auto cuts = CutAll("G:01H:23?!");
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_EQ(cuts[0].text, "G:01H:23?");
    EXPECT_EQ(cuts[1].kind, FrameKind::Acknowledgement);
}

TEST(FrameReader, FrameWithoutTerminatorStaysOpen) {
    FrameReader reader;
    EXPECT_TRUE(CutAll(reader,
                       "\xFD"
                       "123")
                    .empty());
    EXPECT_TRUE(reader.InFrame());
    const auto cuts = CutAll(reader, "?");
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_EQ(cuts[0].text,
              "\xFD"
              "123?");
    EXPECT_FALSE(reader.InFrame());
}

TEST(FrameReader, ResetDropsPartialFrame) {
    FrameReader reader;
    CutAll(reader, "\xFF\xFFG:01");
    reader.Reset();
    const auto cuts = CutAll(reader, "!");
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_EQ(cuts[0].prefix, "");
    EXPECT_EQ(cuts[0].text, "!");
}

TEST(FrameReader, OverflowIsCutAtTheLimitAndReadingStartsAfresh) {
    FrameReader reader;
    const std::size_t limit = FrameReader::kMaxFrameBytes;
    std::string noise = "G" + std::string(limit + 10, 'a');  // 'a' is an index character
    const auto cuts = CutAll(reader, noise + "?!");
    ASSERT_EQ(cuts.size(), 3u);
    EXPECT_EQ(cuts[0].kind, FrameKind::Overflow);
    EXPECT_EQ(cuts[0].text.size(), limit);
    EXPECT_EQ(cuts[0].text, noise.substr(0, limit));
    // What follows the cut is a new frame of its own.
    EXPECT_EQ(cuts[1].kind, FrameKind::IndexLed);
    EXPECT_EQ(cuts[1].text, std::string(11, 'a') + "?");
    EXPECT_EQ(cuts[2].kind, FrameKind::Acknowledgement);
}

TEST(FrameReader, EndlessPrefixRunIsCutToo) {
    FrameReader reader;
    const auto cuts = CutAll(reader, std::string(FrameReader::kMaxFrameBytes, '\xFF') + "!");
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_EQ(cuts[0].kind, FrameKind::Overflow);
    EXPECT_EQ(cuts[0].prefix.size(), FrameReader::kMaxFrameBytes);
    EXPECT_EQ(cuts[1].prefix, "");
    EXPECT_EQ(cuts[1].text, "!");
}

// A master's addressed request or converter frame takes a check character
// after its "?": where the "?" is the last byte the limit allows, the frame
// is cut there and the check character starts the next one, so no frame is
// ever longer than the limit. One byte shorter, the frame fits whole.
TEST(FrameReader, CheckCharacterStaysWithinTheLimit) {
    for (const std::size_t limit : {FrameReader::kMaxFrameBytes, std::size_t{8}}) {
        for (const char first : {'G', '\xFE'}) {
            SCOPED_TRACE(testing::Message() << "limit " << limit << ", first byte " << int(first));
            const std::string atLimit = "\xFF" + std::string(1, first) + std::string(limit - 3, 'a') + "?";
            FrameReader reader(limit);
            const auto cuts = CutAll(reader, atLimit + "!");
            ASSERT_EQ(cuts.size(), 2u);
            EXPECT_EQ(cuts[0].kind, FrameKind::Overflow);
            EXPECT_EQ(cuts[0].prefix + cuts[0].text, atLimit);
            EXPECT_EQ(cuts[1].kind, FrameKind::Acknowledgement);

            const std::string fits = "\xFF" + std::string(1, first) + std::string(limit - 4, 'a') + "?!";
            const auto whole = CutAll(reader, fits);
            ASSERT_EQ(whole.size(), 1u);
            EXPECT_NE(whole[0].kind, FrameKind::Overflow);
            EXPECT_EQ(whole[0].prefix + whole[0].text, fits);
        }
    }
}

TEST(FrameReader, DataBeforeTerminator) {
    EXPECT_EQ(DataBeforeTerminator("G:0123?", 2), "0123");
    EXPECT_EQ(DataBeforeTerminator("GG!134?(", 2), "!134");
    EXPECT_EQ(DataBeforeTerminator("G;?", 2), "");
    EXPECT_EQ(DataBeforeTerminator("G?", 5), "");
    EXPECT_EQ(DataBeforeTerminator("0A1B?", 0), "0A1B");
}

}  // namespace
}  // namespace tulex
