// "Тест EEPROM-памяти контроллера": the request, the wait for the result with
// its countdown in the balloon, the verdicts and the failures.

#include "tests/diagnostics/Fixture.h"

#include <algorithm>

namespace tulex::test {
namespace {

constexpr std::uint8_t kG = 0x47;
constexpr std::uint8_t kZhe = 0xC6;  // "Ж"

class MemoryTest : public LineFixture {};

// The controller acknowledges "/8"; when it is polled in the buffer clearing
// it hands over the test's result, then acknowledges the poll.
TEST_F(MemoryTest, ResultAfterAcknowledgementDecidesTheOutcome) {
    struct Case {
        const char* data;
        const char* text;
        Colour colour;
    };
    const Case cases[] = {
        {"21", "Тест памяти завершен успешно.", kSuccessColour},
        {"45", "Тест памяти завершен с ошибкой.", kFailureColour},
        {"23", "Ошибка. Попробуйте повторить тест.", kFailureColour},
        {"2", "Ошибка. Попробуйте повторить тест.", kFailureColour},
    };
    session->map().SelectIndex(kZhe);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        view.Clear();
        const std::size_t before = player.Frames().size();
        player.SetScript([c](const SeenFrame& f) -> std::string {
            if (f.kind == SeenFrame::Kind::Request) return Ack();
            if (f.index == kZhe) return DataReply(kZhe, c.data) + Ack();
            return {};
        });
        commands().TestMemory();
        EXPECT_FALSE(view.commandControlsEnabled());
        ASSERT_TRUE(RunUntilDone());
        const auto frames = player.Frames();
        ASSERT_GE(frames.size(), before + 3);
        // The request, then one buffer-clearing pair.
        EXPECT_EQ(HexBytes(frames[before].bytes), "FF FF FF FF C6 C6 2F 38 3F 28");
        EXPECT_EQ(HexBytes(frames[before + 1].bytes), "FF FD 3F");
        EXPECT_EQ(HexBytes(frames[before + 2].bytes), "FF C6 3F");
        const auto balloon = LastBalloon();
        EXPECT_EQ(balloon.caption, "Информация");
        EXPECT_EQ(balloon.text, c.text);
        EXPECT_EQ(balloon.colour, c.colour);
        EXPECT_EQ(balloon.index, kZhe);
        EXPECT_TRUE(view.commandControlsEnabled());
        EXPECT_TRUE(session->transaction().commandList.empty());
        EXPECT_FALSE(session->transaction().EventExists(Reply::Data));
    }
    const auto monitor = Monitor();
    EXPECT_NE(std::find(monitor.begin(), monitor.end(), Sent(kZhe, "Тест памяти")), monitor.end());
    EXPECT_NE(std::find(monitor.begin(), monitor.end(), Sent(kZhe, "Чистка буфера контроллера")), monitor.end());
    EXPECT_NE(std::find(monitor.begin(), monitor.end(), Sent(kZhe, "Запрос контроллера")), monitor.end());
}

// After the positive reply there is no buffer clearing: the result comes on
// its own. The first balloon is the waiting one.
TEST_F(MemoryTest, PositiveReplyWaitsWithoutBufferClearing) {
    player.SetScript([](const SeenFrame& f) -> std::string {
        if (f.kind == SeenFrame::Kind::Request) return Positive() + DataReply(kG, "21");
        return {};
    });
    commands().TestMemory();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(player.Frames().size(), 1u);
    const auto balloons = view.CallsOf("balloon");
    ASSERT_EQ(balloons.size(), 2u);
    EXPECT_EQ(balloons[0].text, "Ожидание ответа...");
    EXPECT_EQ(balloons[0].colour, kWaitingColour);
    EXPECT_EQ(balloons[1].text, "Тест памяти завершен успешно.");
    EXPECT_EQ(balloons[1].colour, kSuccessColour);
}

// The countdown at its real pace: the first tick comes after a second of
// silence, the next a second later; then the result ends the test. Stop has
// no effect on the memory test.
TEST_F(MemoryTest, CountdownTicksOncePerSecondAtRealSpeed) {
    ASSERT_EQ(TestTimeDivisor(), 1);
    player.SetScript([](const SeenFrame& f) -> std::string {
        return f.kind == SeenFrame::Kind::Request ? Positive() : std::string();
    });
    commands().TestMemory();
    ASSERT_TRUE(WaitForRequests(1, 3s));
    const auto sentAt = player.Requests()[0].at;
    ASSERT_TRUE(RunUntil([&] { return BalloonTexts().size() >= 1; }, 3s));
    const auto firstTick = std::chrono::steady_clock::now();
    EXPECT_EQ(BalloonTexts()[0], "Тест памяти. Ожидание: 60 с");
    EXPECT_GE(firstTick - sentAt, 900ms);  // loose: not before the first second passed
    session->StopCommand();                // no cancel event in this test: nothing happens
    ASSERT_TRUE(RunUntil([&] { return BalloonTexts().size() >= 2; }, 3s));
    EXPECT_EQ(BalloonTexts()[1], "Тест памяти. Ожидание: 59 с");
    EXPECT_FALSE(view.commandControlsEnabled());
    player.Send(DataReply(kG, "45"));
    ASSERT_TRUE(RunUntilDone(3s));
    EXPECT_EQ(LastBalloon().text, "Тест памяти завершен с ошибкой.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
    const auto monitor = Monitor();
    EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   CANCEL"), 0);
}

// Sixty silent seconds (shortened here): 60, 59, ... 1 in the balloon, then
// the time-out.
TEST_F(MemoryTest, CountdownRunsOutAfterSixtySteps) {
    TimeDivisor fast(20);
    player.SetScript([](const SeenFrame& f) -> std::string {
        return f.kind == SeenFrame::Kind::Request ? Positive() : std::string();
    });
    commands().TestMemory();
    ASSERT_TRUE(RunUntilDone());
    const auto texts = BalloonTexts();
    ASSERT_EQ(texts.size(), 60u);
    for (int i = 0; i < 60; ++i) EXPECT_EQ(texts[i], "Тест памяти. Ожидание: " + std::to_string(60 - i) + " с");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
    const auto monitor = Monitor();
    ASSERT_FALSE(monitor.empty());
    EXPECT_EQ(LastOwnLine(), "   TIMEOUT");
}

// A controller that acknowledges the test and then stays silent, also to the
// buffer clearing: the clearing uses up each second, the countdown still
// runs out.
TEST_F(MemoryTest, SilenceAfterAcknowledgementStillCountsDown) {
    TimeDivisor fast(20);
    player.SetScript(
        [](const SeenFrame& f) -> std::string { return f.kind == SeenFrame::Kind::Request ? Ack() : std::string(); });
    commands().TestMemory();
    ASSERT_TRUE(RunUntilDone());
    const auto texts = BalloonTexts();
    ASSERT_EQ(texts.size(), 60u);
    EXPECT_EQ(texts.front(), "Тест памяти. Ожидание: 60 с");
    EXPECT_EQ(texts.back(), "Тест памяти. Ожидание: 1 с");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    EXPECT_EQ(LastOwnLine(), "   TIMEOUT");
    const auto frames = player.Frames();
    EXPECT_GE(frames.size(), 1u + 2u * 60u);  // at least one clearing pair a second
    EXPECT_EQ(HexBytes(frames[1].bytes), "FF FD 3F");
}

TEST_F(MemoryTest, ErrorReplyAndSilenceFailAtOnce) {
    TimeDivisor fast(10);
    struct Case {
        std::string answer;
        const char* text;
        bool timeoutLine;
    };
    const Case cases[] = {
        {ErrorReply(), "Контроллера нет в линии.", false},
        {"", "Время ожидания ответа истекло.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        view.Clear();
        session->monitor().Clear();
        player.SetScript([c](const SeenFrame&) { return c.answer; });
        commands().TestMemory();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(LastBalloon().text, c.text);
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        EXPECT_TRUE(BalloonTexts().empty());  // no countdown
        const auto monitor = Monitor();
        EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   TIMEOUT"), c.timeoutLine ? 1 : 0);
        EXPECT_TRUE(view.commandControlsEnabled());
    }
}

TEST_F(MemoryTest, PortClosedShowsWarningAndSendsNothing) {
    session->ClosePort();
    view.Clear();
    commands().TestMemory();
    dispatcher.RunFor(50ms);
    const auto messages = view.CallsOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Предупреждение");
    EXPECT_EQ(messages[0].text, "Начните работу с выбора COM-порта.");
    EXPECT_EQ(messages[0].number, 1);  // warning icon
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_EQ(session->transaction().busy, 0);
    EXPECT_TRUE(player.Frames().empty());
}

}  // namespace
}  // namespace tulex::test
