// The line side fed with hand-built bytes under a made-up clock.

#include "line/Frame.h"
#include "sim/SimLine.h"

#include <gtest/gtest.h>

#include <string>

namespace tulex::sim {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t G = 0x47;
constexpr std::uint8_t H = 0x48;
constexpr std::uint8_t K = 0x4B;
constexpr std::uint8_t kZhe = 0xC6;  // Ж

std::string Req(std::uint8_t index, std::string_view command) { return BuildRequest(index, command); }
std::string Poll(std::uint8_t index) { return BuildShortFrame(index); }

class LineFixture : public ::testing::Test {
protected:
    // Feeds bytes at t0 + ms and returns what is due at that instant.
    std::string Exchange(const std::string& bytes, int ms = 0) {
        now = t0 + Millis(ms);
        line.Feed(bytes, now);
        line.Advance(now);
        return line.TakeOutput(now);
    }
    std::string At(int ms) {
        now = t0 + Millis(ms);
        line.Advance(now);
        return line.TakeOutput(now);
    }

    SimLine line;
    SimTime t0 = SimTime{} + 10h;
    SimTime now = t0;
};

TEST_F(LineFixture, ParameterReadAcknowledgedThenHandedOverAtThePoll) {
    SimController* c = line.AddController(G);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Exchange(Req(G, "$$02")), "!");
    // The buffer-clearing frame neither answers nor loses the data.
    EXPECT_EQ(Exchange(Poll(kBufferTarget)), "");
    EXPECT_EQ(Exchange(Poll(G)), "G:47?!");
    EXPECT_EQ(Exchange(Poll(G)), "!") << "the data is handed over once";

    EXPECT_EQ(Exchange(Req(G, "$$02011310111617121819")), "!");
    EXPECT_EQ(Exchange(Poll(G)), "G:47214014141414140313?!");
}

TEST_F(LineFixture, PositiveStyleAnswersWithTheDataAtOnce) {
    line.Config().reply = ReplyStyle::Positive;
    line.AddController(G);
    ControllerBehaviour ack;
    ack.reply = ReplyStyle::Ack;  // a controller's own style wins over the line's
    line.AddController(H, ack);
    EXPECT_EQ(Exchange(Req(G, "$$0201")), "$?G:4721?");
    EXPECT_EQ(Exchange(Req(G, "!1005")), "$?");
    EXPECT_EQ(Exchange(Req(H, "$$02")), "!");
    EXPECT_EQ(Exchange(Poll(H)), "H:48?!");
}

TEST_F(LineFixture, WritesChangeWhatALaterReadReturns) {
    line.Config().reply = ReplyStyle::Positive;
    line.AddController(G);
    EXPECT_EQ(Exchange(Req(G, "!13431014111416141714121418631973")), "$?");
    EXPECT_EQ(Exchange(Req(G, "$$131018")), "$?G:431463?");
    EXPECT_EQ(Exchange(Req(G, "!10ff")), "$?") << "either case is accepted";
    EXPECT_EQ(Exchange(Req(G, "$$10")), "$?G:FF?");

    // Malformed writes change nothing and get the device error reply.
    for (const char* bad : {"!13", "!1G43", "!134", "!13XY", "!0147", "!0248", "!"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Exchange(Req(G, bad)), "&?");
    }
    EXPECT_EQ(Exchange(Req(G, "$$13010210")), "$?G:432147FF?");
}

TEST_F(LineFixture, RenameAnswersToTheNewIndexFromThenOn) {
    line.AddController(G);
    line.AddController(K);
    EXPECT_EQ(Exchange(Req(G, "$0HH")), "!");
    EXPECT_EQ(line.Find(G), nullptr);
    ASSERT_NE(line.Find(H), nullptr);
    EXPECT_EQ(Exchange(Req(G, "$$02")), "") << "nobody answers to the old index";
    EXPECT_EQ(Exchange(Req(H, "$$02")), "!");
    EXPECT_EQ(Exchange(Poll(H)), "H:48?!");

    // Refused: the new index is taken, the two characters differ, not an index.
    EXPECT_EQ(Exchange(Req(H, "$0KK")), "&?");
    EXPECT_EQ(Exchange(Req(H, "$0GK")), "&?");
    EXPECT_EQ(Exchange(Req(H, "$0FF")), "&?");
    EXPECT_NE(line.Find(H), nullptr);
    // Renaming to a Cyrillic index.
    EXPECT_EQ(Exchange(Req(H, std::string("$0") + char(kZhe) + char(kZhe))), "!");
    EXPECT_EQ(Exchange(Req(kZhe, "$$02")), "!");
    EXPECT_EQ(Exchange(Poll(kZhe)), std::string(1, char(kZhe)) + ":C6?!");
}

TEST_F(LineFixture, WrongOrMalformedRequestsAreIgnored) {
    line.AddController(G);
    std::string wrongCheck = Req(G, "$$02");
    wrongCheck.back() = static_cast<char>(wrongCheck.back() ^ 0x01);
    std::string otherIndex = Req(G, "$$02");
    otherIndex[5] = 'H';  // G H instead of G G; the check character still matches
    const std::string noPrefix = Req(G, "$$02").substr(4);
    for (const auto& bad : {wrongCheck, otherIndex, noPrefix}) {
        EXPECT_EQ(Exchange(bad), "");
    }
    EXPECT_EQ(line.Stats().badCheck, 1u);
    EXPECT_EQ(line.Stats().requests, 0u);
    // The receive side is back in step for the next good frame.
    EXPECT_EQ(Exchange(Req(G, "$$02")), "!");
}

TEST_F(LineFixture, FramesAreCutByTheirLayoutNotByTheChunks) {
    line.AddController(G);
    // Byte by byte, a long prefix run, stray bytes in between.
    const std::string stream = std::string("\x01\x3F") + "\xFF\xFF" + Req(G, "$$02") + "x" + Poll(G);
    std::string out;
    for (const char b : stream) out += Exchange(std::string(1, b));
    EXPECT_EQ(out, "!G:47?!");

    // A request whose check character would be 0 goes out without it ("A~"
    // XORs to 0x3F); the frame still ends at "?" and the next one is read.
    const std::string noCheck = Req(G, "A~");
    ASSERT_EQ(noCheck.back(), '?');
    EXPECT_EQ(Exchange(noCheck + Req(G, "$$02")), "&?!");

    // A check character that is itself "?" or 0xFF.
    line.Config().reply = ReplyStyle::Positive;
    struct Case {
        std::string command;
        char check;
    };
    for (const Case& c : {Case{"$$", '?'}, Case{"\xC0", '\xFF'}}) {
        const std::string f = Req(G, c.command);
        ASSERT_EQ(f.back(), c.check);
        EXPECT_EQ(Exchange(f + Req(G, "$$02")), "&?$?G:47?");
    }
}

TEST_F(LineFixture, APartialFrameIsDroppedAfterTheFrameTimeOut) {
    line.AddController(G);
    const std::string request = Req(G, "$$02");
    EXPECT_EQ(Exchange(request.substr(0, 7), 0), "");
    // The rest comes far too late: the partial frame was abandoned, and the
    // tail alone is no frame.
    EXPECT_EQ(Exchange(request.substr(7), 2000), "");
    EXPECT_EQ(Exchange(request, 2001), "!");
    EXPECT_EQ(line.Stats().malformed, 1u);
}

TEST_F(LineFixture, ConverterAnswers) {
    line.Converter().Config().versionCode = "20";
    struct Case {
        std::string command;
        std::string answer;
    };
    const Case cases[] = {
        {"0", "20?"},
        {"2", "C6?"},
        {"4", "08?"},
        {"1H", "$?"},
        {"2", "48?"},
        {std::string("1") + char(kZhe), "$?"},
        {"2", "C6?"},
        {"1G", "#?"},                           // below H
        {std::string("1") + char(0xC7), "#?"},  // above Ж
        {"1", "#?"},
        {"1HH", "#?"},
        {"9", "#?"},
        {"", "#?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(Exchange(Req(kConverterAddress, c.command)), c.answer);
    }
    EXPECT_EQ(Req(kConverterAddress, "0"), std::string("\xFF\xFF\xFF\xFF\xFE\xFE\x30\x3F\x0F"));
}

TEST_F(LineFixture, ACannedConverterAnswerReplacesItsOwn) {
    auto& canned = line.Converter().Config().canned;
    canned["2"] = {"$?", "C6?", 100};
    canned["4"] = {};
    EXPECT_EQ(Exchange(Req(kConverterAddress, "2")), "$?");
    EXPECT_EQ(line.NextDue(), t0 + 100ms);
    EXPECT_EQ(At(99), "");
    EXPECT_EQ(At(100), "C6?") << "the second answer after its gap";
    EXPECT_EQ(Exchange(Req(kConverterAddress, "4"), 200), "") << "silence";
    EXPECT_EQ(line.NextDue(), std::nullopt);
    EXPECT_EQ(Exchange(Req(kConverterAddress, "0"), 300), "21?") << "other commands as before";
}

TEST_F(LineFixture, EchoReturnsEveryByteBeforeTheAnswer) {
    line.Converter().Config().echo = true;
    line.AddController(G);
    const std::string request = Req(G, "$$02");
    EXPECT_EQ(Exchange(request), request + "!");
    EXPECT_EQ(Exchange("\x05noise"), "\x05noise");
    EXPECT_EQ(Exchange(Poll(G)), Poll(G) + "G:47?!");
}

TEST_F(LineFixture, OnlineRequestRecordsTheAutomaticAnswerAndItsDelay) {
    line.Config().answerTimeoutMs = 1000;
    line.AddController(G);
    line.AddController(H);
    line.Emit("G1;1234567890?", t0, "on-line request");
    line.Expect(G, '>', t0);
    line.Emit("H2;1234567890?", t0, "on-line request");
    line.Expect(H, '<', t0);
    line.Emit("G3A?", t0, "sensor");
    line.Expect(G, '+', t0);
    EXPECT_EQ(At(0), "G1;1234567890?H2;1234567890?G3A?");

    // G answers the wrong channel first: that is no answer to its event.
    EXPECT_EQ(Exchange(Req(G, "<"), 3), "!");
    EXPECT_EQ(Exchange(Req(G, ">"), 7), "!");
    EXPECT_EQ(Exchange(Req(G, "+"), 9), "!");
    At(1000);
    ASSERT_EQ(line.Answers().size(), 3u);
    const auto& online1 = line.Answers()[0];
    ASSERT_TRUE(online1.answeredAt.has_value());
    EXPECT_EQ(online1.Latency(), Millis(7));
    EXPECT_FALSE(line.Answers()[1].answeredAt.has_value());
    EXPECT_TRUE(line.Answers()[1].missed) << "H never got its \"<\"";
    EXPECT_EQ(line.Answers()[2].Latency(), Millis(9));
    // A late answer does not turn a missed event into an answered one.
    Exchange(Req(H, "<"), 1500);
    EXPECT_TRUE(line.Answers()[1].missed);
    EXPECT_FALSE(line.Answers()[1].answeredAt.has_value());
}

TEST_F(LineFixture, AnswerDelayHoldsTheAnswerBack) {
    line.Config().delayMs = 5;
    ControllerBehaviour slow;
    slow.delayMs = 20;
    line.AddController(G, slow);
    line.AddController(H);
    EXPECT_EQ(Exchange(Req(G, "$$02") + Req(H, "$$02")), "");
    ASSERT_TRUE(line.NextDue().has_value());
    EXPECT_EQ(*line.NextDue(), t0 + 5ms);
    EXPECT_EQ(At(5), "!");
    EXPECT_EQ(At(19), "");
    EXPECT_EQ(At(20), "!");
}

TEST_F(LineFixture, MemoryTestResultComesAfterItsDelay) {
    ControllerBehaviour ok;
    ok.eepromDelayMs = 300;
    ControllerBehaviour bad = ok;
    bad.eepromFail = true;
    bad.reply = ReplyStyle::Positive;
    line.AddController(G, ok);
    line.AddController(H, bad);

    EXPECT_EQ(Exchange(Req(G, "/8")), "!");
    EXPECT_EQ(Exchange(Poll(G), 10), "!") << "no result yet";
    EXPECT_EQ(Exchange(Poll(G), 300), "G:21?!");

    EXPECT_EQ(Exchange(Req(H, "/8"), 1000), "$?");
    EXPECT_EQ(At(1299), "");
    EXPECT_EQ(At(1300), "H:45?");
}

TEST_F(LineFixture, ControllerAnswerSwitches) {
    ControllerBehaviour silent;
    silent.silent = true;
    ControllerBehaviour error;
    error.errorReply = true;
    ControllerBehaviour noData;
    noData.noDataAfterAck = true;
    line.AddController(G, silent);
    line.AddController(H, error);
    line.AddController(K, noData);

    EXPECT_EQ(Exchange(Req(G, "$$02") + Poll(G)), "");
    EXPECT_EQ(Exchange(Req(H, "$$02")), "#?");
    EXPECT_EQ(Exchange(Req(K, "$$02")), "!");
    EXPECT_EQ(Exchange(Poll(K)), "!") << "acknowledges, never hands data over";
    EXPECT_EQ(Exchange(Req(K, "what")), "&?");
}

TEST_F(LineFixture, FaultyControllersAnswerButNotAsTheyShould) {
    ControllerBehaviour garbled;
    garbled.dataPayload = "4765";
    line.AddController(G, garbled);
    EXPECT_EQ(Exchange(Req(G, "$$0213")), "!");
    EXPECT_EQ(Exchange(Poll(G)), "G:4765?!") << "the payload replaces the real data";
    EXPECT_EQ(Exchange(Req(G, "!1347")), "!") << "a write has no data to replace";
    EXPECT_EQ(line.Find(G)->Register(13), 0x47);

    ControllerBehaviour deaf;
    deaf.pollsUnanswered = 2;
    line.AddController(H, deaf);
    EXPECT_EQ(Exchange(Req(H, "$$02")), "!");
    EXPECT_EQ(Exchange(Poll(H)), "");
    EXPECT_EQ(Exchange(Poll(H)), "");
    EXPECT_EQ(Exchange(Poll(H)), "H:48?!") << "the third poll is answered, nothing was lost";
}

TEST_F(LineFixture, ErrorRepliesFirstComeBeforeSilence) {
    ControllerBehaviour busy;
    busy.errorRepliesFirst = 2;
    busy.silent = true;
    line.AddController(G, busy);
    EXPECT_EQ(Exchange(Req(G, "$$02")), "#?");
    EXPECT_EQ(Exchange(Req(G, "$$02")), "#?");
    EXPECT_EQ(Exchange(Req(G, "$$02")), "") << "then the unit is silent as set";
}

TEST_F(LineFixture, FaultsSetInAfterTheGivenNumberOfFrames) {
    ControllerBehaviour breaks;
    breaks.framesBeforeSilence = 2;
    line.AddController(G, breaks);
    EXPECT_EQ(Exchange(Req(G, "$$02")), "!");
    EXPECT_EQ(Exchange(Poll(G)), "G:47?!") << "a poll counts as a frame";
    EXPECT_EQ(Exchange(Req(G, "$$02")), "") << "silent from the third frame on";
    EXPECT_EQ(Exchange(Poll(G)), "");
    EXPECT_TRUE(line.Find(G)->Behaviour().silent);
    EXPECT_FALSE(line.Find(G)->Behaviour().framesBeforeSilence);

    ControllerBehaviour failing;
    failing.framesBeforeErrors = 1;
    line.AddController(H, failing);
    EXPECT_EQ(Exchange(Req(H, "$$02")), "!");
    EXPECT_EQ(Exchange(Req(H, "$$02")), "#?");
    EXPECT_EQ(Exchange(Poll(H)), "") << "a poll gets no error reply";
    EXPECT_EQ(Exchange(Req(H, "$$02")), "#?");

    ControllerBehaviour dead;
    dead.framesBeforeSilence = 0;
    line.AddController(K, dead);
    EXPECT_EQ(Exchange(Req(K, "$$02")), "") << "none handled: silent from the first frame";
    // Frames to other indexes and the buffer-clearing frame do not count.
    ControllerBehaviour later;
    later.framesBeforeSilence = 1;
    line.AddController(kZhe, later);
    EXPECT_EQ(Exchange(Req(G, "$$02") + Poll(kBufferTarget) + Poll(H)), "");
    EXPECT_EQ(Exchange(Req(kZhe, "$$02")), "!");
    EXPECT_EQ(Exchange(Req(kZhe, "$$02")), "");
}

TEST_F(LineFixture, LaxFirmwareAcceptsCommandsItDoesNotKnow) {
    ControllerBehaviour lax;
    lax.acceptsAnyCommand = true;
    line.AddController(G, lax);
    lax.reply = ReplyStyle::Positive;
    line.AddController(H, lax);
    line.AddController(K);
    EXPECT_EQ(Exchange(Req(G, "")), "!");
    EXPECT_EQ(Exchange(Req(G,
                           "\xC6"
                           "1")),
              "!");
    EXPECT_EQ(Exchange(Req(G, "!134")), "!");
    EXPECT_EQ(line.Find(G)->Register(13), 0x40) << "a write it cannot parse changes nothing";
    EXPECT_EQ(Exchange(Poll(G)), "!") << "and leaves no data";
    EXPECT_EQ(Exchange(Req(G, "$$13")), "!") << "known commands as usual";
    EXPECT_EQ(Exchange(Poll(G)), "G:40?!");
    EXPECT_EQ(Exchange(Req(H, "what")), "$?") << "the positive reply, with no data reply";
    EXPECT_EQ(Exchange(Req(K, "what")), "&?") << "a controller without the switch";
}

TEST_F(LineFixture, AControllerThatKeepsItsIndexAcknowledgesTheIndexCommand) {
    ControllerBehaviour stuck;
    stuck.keepsIndex = true;
    line.AddController(G, stuck);
    EXPECT_EQ(Exchange(Req(G, "$0HH")), "!");
    EXPECT_NE(line.Find(G), nullptr);
    EXPECT_EQ(line.Find(H), nullptr);
    EXPECT_EQ(Exchange(Req(H, "$$02")), "");
}

TEST_F(LineFixture, AWriteProtectedControllerRefusesWritesOnly) {
    ControllerBehaviour locked;
    locked.refusesWrites = true;
    line.AddController(G, locked);
    EXPECT_EQ(Exchange(Req(G, "!1307")), "#?");
    EXPECT_EQ(line.Find(G)->Register(13), 0x40) << "the register keeps its value";
    EXPECT_EQ(Exchange(Req(G, "$$13")), "!");
}

TEST_F(LineFixture, QueuedControllersJoinTheirIndexOneByOne) {
    constexpr std::uint8_t kFactory = 0xFC;
    line.AddController(kFactory);
    line.QueueController(kFactory)->SetRegister(1, 0x65);
    line.QueueController(kFactory)->SetRegister(1, 0x26);
    EXPECT_EQ(line.QueuedCount(), 2u);
    EXPECT_NE(line.QueueController(H), nullptr) << "a free index is joined at once";
    EXPECT_NE(line.Find(H), nullptr);

    EXPECT_EQ(Exchange(Req(kFactory, "$0GG")), "!");
    ASSERT_NE(line.Find(G), nullptr);
    ASSERT_NE(line.Find(kFactory), nullptr) << "the next one took the factory index";
    EXPECT_EQ(line.Find(kFactory)->Register(1), 0x65);
    EXPECT_EQ(line.QueuedCount(), 1u);
    EXPECT_EQ(Exchange(Req(kFactory, "$0KK")), "!");
    EXPECT_EQ(line.Find(kFactory)->Register(1), 0x26);
    EXPECT_EQ(Exchange(Req(kFactory, "$0\xC6\xC6")), "!");
    EXPECT_EQ(line.Find(kFactory), nullptr) << "nobody is left to connect";
    EXPECT_EQ(line.QueuedCount(), 0u);
    EXPECT_NE(line.Find(kZhe), nullptr);
}

TEST_F(LineFixture, LineWideSwitchesActOnEveryController) {
    ControllerBehaviour positive;
    positive.reply = ReplyStyle::Positive;
    line.AddController(G);
    line.AddController(H, positive);
    struct Case {
        bool LineConfig::*flag;
        const char* answer;      // to "$$02", from each controller
        const char* pollAnswer;  // to a poll of G
    };
    const Case cases[] = {
        {&LineConfig::silent, "", ""},
        {&LineConfig::errorReply, "#?", ""},
        {&LineConfig::deviceError, "&?", "!"},
    };
    for (const auto& c : cases) {
        line.Config().*c.flag = true;
        EXPECT_EQ(Exchange(Req(G, "$$02")), c.answer);
        EXPECT_EQ(Exchange(Req(H, "$$02")), c.answer);
        EXPECT_EQ(Exchange(Poll(G)), c.pollAnswer);
        line.Config().*c.flag = false;
    }
    EXPECT_EQ(Exchange(Req(H, "$$02")), "$?H:48?");
    ControllerBehaviour deviceError;
    deviceError.deviceError = true;
    line.AddController(K, deviceError);
    EXPECT_EQ(Exchange(Req(K, "$$02")), "&?");
}

TEST_F(LineFixture, AbsentIndexesAreSilentOrErrorReplies) {
    EXPECT_EQ(Exchange(Req(G, "$$02") + Poll(G)), "");
    line.Config().absentError = true;
    EXPECT_EQ(Exchange(Req(G, "$$02")), "#?");
    EXPECT_EQ(Exchange(Poll(G)), "") << "polls of an empty index stay unanswered";
}

TEST_F(LineFixture, RelayTriggersAndMasterCardAreAcknowledged) {
    line.Config().reply = ReplyStyle::Positive;
    SimController* c = line.AddController(G);
    for (const char* command : {">", "<", "08", "09", "$4"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Exchange(Req(G, command)), "$?");
    }
    EXPECT_TRUE(c->WaitingForMasterCard());
    EXPECT_FALSE(c->PresentMasterCard("12345"));
    EXPECT_TRUE(c->PresentMasterCard("00A1B2C3D4"));
    EXPECT_FALSE(c->WaitingForMasterCard());
    EXPECT_EQ(Exchange(Req(G, "$$20212223241415")), "$?G:00A1B2C3D41E0A?");
    for (const char* command : {"07", "0", ">>", "$5", "$$", "$$1"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Exchange(Req(G, command)), "&?");
    }
}

TEST_F(LineFixture, AcknowledgedRepliesPileUpOnlyToTheBufferLimit) {
    line.Config().outputBufferLimit = 2;
    line.AddController(G);
    Exchange(Req(G, "$$10"));
    Exchange(Req(G, "$$11"));
    Exchange(Req(G, "$$02"));
    EXPECT_EQ(Exchange(Poll(G)), "G:14?G:47?!") << "the oldest reply went first";
}

TEST_F(LineFixture, TraceShowsBothDirections) {
    std::vector<TraceEntry> entries;
    line.SetTraceSink([&entries](const TraceEntry& e) { entries.push_back(e); });
    line.AddController(G);
    std::string bad = Req(G, "$$02");
    bad.back() = 0;
    Exchange(Req(G, "$$02") + bad);
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries[0].direction, TraceDirection::FromPc);
    EXPECT_EQ(entries[0].bytes, Req(G, "$$02"));
    EXPECT_NE(entries[1].note.find("check"), std::string::npos);
    EXPECT_EQ(entries.back().direction, TraceDirection::ToPc);
    EXPECT_EQ(entries.back().bytes, "!");

    const auto origin = std::chrono::system_clock::time_point{} + 1h;
    const std::string text = FormatTraceEntry({t0 + 1234ms, TraceDirection::ToPc, "G:47?", ""}, t0, origin);
    EXPECT_NE(text.find(".234 <LN  47 3A 34 37 3F  |G:47?|"), std::string::npos) << text;
}

}  // namespace
}  // namespace tulex::sim
