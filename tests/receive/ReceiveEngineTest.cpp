// Frames arriving on the port: monitor lines, the map and its counters,
// reply events, pop-ups and the automatic answers written back to the line.

#include "tests/receive/EngineFixture.h"

#include "line/Frame.h"
#include "line/FrameReader.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

const std::string kEchoedRequest =
    "\xFF\xFF\xFF\xFF"
    "GG!134?(";
const std::string kEchoedPoll =
    "\xFF"
    "G?";

TEST_F(EngineTest, EchoedRequestIsShownOnlyInMasterMode) {
    Open();
    // The check character "(" belongs to the frame: the "!" after it is a
    // frame of its own.
    EXPECT_EQ(Feed(kEchoedRequest + "!"), Lines{Received("OK")});
    session->settings().masterMode = true;
    EXPECT_EQ(Feed(kEchoedRequest + "!"), (Lines{Received("яяяяGG!134?("), Received("OK")}));
    EXPECT_FALSE(Present('G'));
    EXPECT_EQ(Written(0), "");
}

TEST_F(EngineTest, EchoedPollRemovesTheIndexFromBothSets) {
    Open();
    Feed("G:00?");
    ASSERT_TRUE(Present('G'));
    EXPECT_TRUE(PanelShows(1, "1"));
    EXPECT_EQ(Feed(kEchoedPoll + "!"), Lines{Received("OK")});  // no check character taken
    EXPECT_FALSE(Present('G'));
    EXPECT_TRUE(PanelShows(1, "0"));
    session->settings().masterMode = true;
    EXPECT_EQ(Feed(kEchoedPoll), Lines{Received("яG?")});
}

TEST_F(EngineTest, AcknowledgementOutsideACommandChangesNothing) {
    Open();
    session->transaction().CreateEvents({Reply::Ack});
    EXPECT_EQ(Feed("!"), Lines{Received("OK")});
    EXPECT_EQ(session->map().Count(MapSet::Present), 0u);
    EXPECT_FALSE(session->transaction().IsSignalled(Reply::Ack));
}

TEST_F(EngineTest, AcknowledgementDuringACommandMarksTheTargetPresent) {
    Open();
    session->transaction().target = 'H';
    session->transaction().busy = 1;
    session->transaction().CreateEvents({Reply::Ack, Reply::Positive});
    Feed("$?");  // H gave the positive reply first: grey
    ASSERT_TRUE(ReplyOnly('H'));
    EXPECT_TRUE(PanelShows(2, "1"));
    EXPECT_EQ(Feed("!"), Lines{Received("OK")});
    EXPECT_TRUE(Present('H'));
    EXPECT_FALSE(ReplyOnly('H'));
    EXPECT_TRUE(PanelShows(1, "1"));
    EXPECT_TRUE(PanelShows(2, "0"));
    EXPECT_TRUE(session->transaction().IsSignalled(Reply::Ack));
}

TEST_F(EngineTest, PositiveReplyForPresentAndAbsentTargets) {
    Open();
    Feed("G:00?");  // G present
    session->transaction().busy = 1;
    session->transaction().CreateEvents({Reply::Positive});
    session->transaction().target = 'G';
    EXPECT_EQ(Feed("$0?"), Lines{Received("OK")});
    EXPECT_TRUE(Present('G'));
    EXPECT_FALSE(ReplyOnly('G'));
    EXPECT_TRUE(session->transaction().IsSignalled(Reply::Positive));
    EXPECT_TRUE(PanelShows(2, "0"));

    session->transaction().CreateEvents({Reply::Positive});  // a fresh event: not signalled
    session->transaction().target = 'K';
    Feed("$0?");
    EXPECT_TRUE(ReplyOnly('K'));
    EXPECT_FALSE(Present('K'));
    EXPECT_TRUE(PanelShows(2, "1"));
    EXPECT_TRUE(session->transaction().IsSignalled(Reply::Positive));
}

TEST_F(EngineTest, ErrorReplyDuringACommandAndForTheConverter) {
    Open();
    Feed("G:00?");
    session->transaction().busy = 1;
    session->transaction().target = 'G';
    session->transaction().CreateEvents({Reply::Error});
    session->converterTransaction().busy = 1;
    session->converterTransaction().CreateEvents(
        {ConverterReply::Positive, ConverterReply::Error, ConverterReply::Data});
    EXPECT_EQ(Feed("#?"), Lines{Received("ERROR")});
    EXPECT_FALSE(Present('G'));
    EXPECT_TRUE(PanelShows(1, "0"));
    EXPECT_TRUE(session->transaction().IsSignalled(Reply::Error));
    EXPECT_TRUE(session->converterTransaction().IsSignalled(ConverterReply::Error));
    Feed("$?");
    EXPECT_TRUE(session->converterTransaction().IsSignalled(ConverterReply::Positive));
}

TEST_F(EngineTest, DataReplyReplacesReplyDataAndWakesTheWorker) {
    Open();
    session->transaction().CreateEvents({Reply::Data});
    session->transaction().SetReplyData("old");
    EXPECT_EQ(Feed("G:0123?"), Lines{Received("G:0123?")});
    EXPECT_EQ(session->transaction().ReplyData(), "0123");  // replaced even outside a command
    EXPECT_TRUE(Present('G'));
    EXPECT_FALSE(session->transaction().IsSignalled(Reply::Data));

    session->transaction().busy = 1;
    session->transaction().target = 'H';  // another index's reply still replaces the data
    Feed("\xC6:ABCD?");
    EXPECT_EQ(session->transaction().ReplyData(), "ABCD");
    EXPECT_TRUE(Present(0xC6));
    EXPECT_TRUE(session->transaction().IsSignalled(Reply::Data));
    EXPECT_TRUE(PanelShows(1, "2"));
}

// tulex-cli logs every count of the present set, however fast the changes
// come (a window shows the latest count a frame).
TEST_F(EngineTest, EveryCountIsShownWhenTheFrontEndLogsThem) {
    session->SetEveryCountShown(true);
    Open();
    recording.Clear();
    Feed("G:00?H:00?\xC6:00?");
    ASSERT_TRUE(PanelShows(1, "3"));
    std::vector<std::string> counts;
    for (const auto& call : recording.CallsOf("panel"))
        if (call.number == 1) counts.push_back(call.text);
    EXPECT_EQ(counts, (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(EngineTest, CardEventWithReadersOffAndOn) {
    Open();
    session->settings().readers = false;
    EXPECT_EQ(Feed("G;123456789000?"), Lines{Received("G;123456789000?")});
    EXPECT_TRUE(Present('G'));
    EXPECT_TRUE(Cards().empty());

    session->settings().readers = true;
    Feed("H;123456789003?");
    const auto cards = Cards();
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].index, 'H');
    EXPECT_EQ(cards[0].caption, "Доступ разрешен");
    EXPECT_EQ(cards[0].text, "Пропуск отсутствует в памяти\n\nНаправление: Вход\nНомер: 1234567890");
    EXPECT_EQ(Written(0), "");  // a plain card event is never answered
}

TEST_F(EngineTest, ChannelCardEventAnsweredAutomaticallyBeforeThePopup) {
    Open();
    session->settings().onlineAnswer = true;
    // When the pop-up is asked for, the answer's monitor line is there and
    // its bytes are on their way (the pop-up's data was handed over after
    // the write).
    std::vector<std::string> atCard;
    view.atCard = [&] {
        for (const auto& line : MonitorTexts())
            if (line.find("<——") != std::string::npos) atCard.push_back(line);
        atCard.push_back(Written(8));
    };
    const Lines lines = Feed("G1;1234567890?");
    EXPECT_EQ(lines, (Lines{Received("G1;1234567890?"), Sent("G   —   Автоответ в on-line режиме (1)")}));
    EXPECT_EQ(atCard,
              (std::vector<std::string>{Sent("G   —   Автоответ в on-line режиме (1)"), BuildRequest('G', ">")}));
    view.atCard = nullptr;
    ASSERT_EQ(Cards().size(), 1u);
    EXPECT_EQ(Cards()[0].caption, "Доступ разрешен (автоответ)");
    EXPECT_EQ(Cards()[0].text, "Пропуск отсутствует в памяти\n\nНаправление: Вход\nНомер: 1234567890");

    // Reader 2 gets "<"; the short card data ends in "06".
    Feed("H2;123456?");
    EXPECT_EQ(Written(8), BuildRequest('H', "<"));
    ASSERT_EQ(Cards().size(), 2u);
    EXPECT_EQ(Cards()[1].text, "Данные: 12345606");
    EXPECT_TRUE(Present('H'));
}

TEST_F(EngineTest, ChannelCardEventWithoutAutomaticAnswer) {
    Open();
    session->settings().onlineAnswer = false;
    EXPECT_EQ(Feed("G1;1234567890?"), Lines{Received("G1;1234567890?")});
    Feed("G2;1234567890?");
    EXPECT_EQ(Written(0), "");
    ASSERT_EQ(Cards().size(), 2u);
    EXPECT_EQ(Cards()[0].caption, "Доступ запрещен");
    EXPECT_NE(Cards()[0].text.find("Направление: Вход"), std::string::npos);
    EXPECT_EQ(Cards()[1].caption, "Доступ запрещен");
    EXPECT_NE(Cards()[1].text.find("Направление: Выход"), std::string::npos);
}

TEST_F(EngineTest, ChannelCardEventWhileACommandRunsOrOnAnotherChannel) {
    Open();
    session->settings().onlineAnswer = true;
    session->transaction().busy = 1;
    Feed("G1;1234567890?");
    EXPECT_EQ(Written(0), "");  // never interleaved with a command's exchange
    ASSERT_EQ(Cards().size(), 1u);
    EXPECT_EQ(Cards()[0].caption, "Доступ разрешен (автоответ)");  // "07" still appended

    session->transaction().busy = 0;
    Feed("G3;123456789000?");  // channel 3: nothing appended, nothing answered
    EXPECT_EQ(Written(0), "");
    ASSERT_EQ(Cards().size(), 2u);
    EXPECT_EQ(Cards()[1].caption, "Доступ запрещен");

    // Answered even when the reader pop-ups are off.
    session->settings().readers = false;
    Feed("K1;1234567890?");
    EXPECT_EQ(Written(8), BuildRequest('K', ">"));
    EXPECT_EQ(Cards().size(), 2u);
}

TEST_F(EngineTest, SensorEventPopupAndAnswer) {
    Open();
    session->settings().sensors = false;
    session->settings().sensorAnswer = true;
    EXPECT_EQ(Feed("G3A?"), (Lines{Received("G3A?"), Sent("G   —   Автоответ на посылку датчика")}));
    EXPECT_EQ(Written(8), BuildRequest('G', "+"));
    EXPECT_TRUE(Sensors().empty());
    EXPECT_TRUE(Present('G'));

    session->settings().sensors = true;
    session->settings().sensorAnswer = false;
    Feed(
        "\xC6"
        "5\xC6?");
    EXPECT_EQ(Written(0), "");
    ASSERT_EQ(Sensors().size(), 1u);
    EXPECT_EQ(Sensors()[0].index, 0xC6);
    EXPECT_EQ(Sensors()[0].text, "5Ж");  // the digit included, in UTF-8
}

TEST_F(EngineTest, ConverterDataReply) {
    Open();
    session->converterTransaction().AppendReply("kept");
    EXPECT_EQ(Feed("0A1B?"), Lines{});  // no converter command: dropped
    EXPECT_EQ(session->converterTransaction().ReplyData(), "kept");

    session->converterTransaction().busy = 1;
    session->converterTransaction().CreateEvents(
        {ConverterReply::Positive, ConverterReply::Error, ConverterReply::Data});
    session->converterTransaction().ClearReply();
    EXPECT_EQ(Feed("0A1B?"), Lines{Received("0A1B?")});
    Feed("C2?");
    EXPECT_EQ(session->converterTransaction().ReplyData(), "0A1BC2");  // the replies of one command accumulate
    EXPECT_TRUE(session->converterTransaction().IsSignalled(ConverterReply::Data));
}

TEST_F(EngineTest, LoneBytesAndMastersRequests) {
    Open();
    // Bytes outside every row are frames of their own; "x" (0x78) is an
    // index character and so opens an index-led frame.
    EXPECT_EQ(Feed("*\x01"), (Lines{Received("*"), Received("\x01")}));
    EXPECT_EQ(Feed("xx!1?"), Lines{Received("xx!1?")});  // another master's request, no prefix
    EXPECT_FALSE(Present('x'));
}

TEST_F(EngineTest, FrameWithoutTerminatorWaitsForIt) {
    Open();
    line.Inject(
        "\xFD"
        "12");
    dispatcher.RunFor(100ms);
    EXPECT_EQ(session->monitor().Count(), 1u);  // only "Порт открыт."
    EXPECT_EQ(Feed("3?"), Lines{Received("э123?")});
}

TEST_F(EngineTest, ZeroByteEndsTheMonitorLineButNotTheFrame) {
    Open();
    EXPECT_EQ(Feed(std::string("G:01\0"
                               "23?!",
                               9)),
              (Lines{Received("G:01"), Received("OK")}));
    EXPECT_EQ(session->transaction().ReplyData(), std::string("01\0"
                                                              "23",
                                                              5));
}

TEST_F(EngineTest, FrameOver64KiBIsShownAsItStandsAndReadingStartsAfresh) {
    Open();
    const std::size_t limit = FrameReader::kMaxFrameBytes;
    const std::string noise = "\xFD" + std::string(limit + 99, '1');
    const Lines lines = Feed(noise + "?!");
    // The rest after the cut began a converter data frame of its own
    // (dropped: no converter command runs), then the acknowledgement.
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], Received("э" + std::string(limit - 1, '1')));
    EXPECT_EQ(lines[1], Received("OK"));
}

}  // namespace
}  // namespace tulex::test
