// "Тест линии на замыкание и обрыв": presence requests back to back, counted,
// until "Остановить", an error reply or silence.

#include "tests/diagnostics/Fixture.h"

#include <algorithm>

namespace tulex::test {
namespace {

constexpr std::uint8_t kG = 0x47;

class LineTest : public LineFixture {};

// A controller that always answers (acknowledgement and positive reply in
// turn) keeps the test going until "Остановить"; the count is the number of
// requests sent.
TEST_F(LineTest, StopEndsTestWithAttemptCount) {
    player.SetScript([answered = std::make_shared<int>(0)](const SeenFrame&) {
        return ((*answered)++ % 2 == 0) ? Ack() : Positive();
    });
    commands().TestLine();
    EXPECT_FALSE(view.commandControlsEnabled());
    ASSERT_TRUE(RunUntil([&] { return player.Requests().size() >= 6; }, 10s));
    session->StopCommand();
    ASSERT_TRUE(RunUntilDone());
    const auto requests = player.Requests();
    const int n = static_cast<int>(requests.size());
    ASSERT_GE(n, 6);
    for (const auto& r : requests) EXPECT_EQ(HexBytes(r.bytes), "FF FF FF FF 47 47 24 24 30 32 3F 3D");
    EXPECT_EQ(player.Frames().size(), requests.size());  // no buffer clearing

    const auto balloon = LastBalloon();
    EXPECT_EQ(balloon.caption, "Информация");
    EXPECT_EQ(balloon.text, "Тест линии завершен. Попыток — " + std::to_string(n));
    EXPECT_EQ(balloon.colour, kSuccessColour);

    const auto texts = BalloonTexts();
    ASSERT_EQ(static_cast<int>(texts.size()), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ(texts[i], "Тест линии: Попытка " + std::to_string(i + 1));

    const auto monitor = Monitor();
    for (int i = 1; i <= n; ++i)
        EXPECT_EQ(std::count(monitor.begin(), monitor.end(), Sent(kG, "Тест линии: Попытка " + std::to_string(i))), 1)
            << i;
    ASSERT_FALSE(monitor.empty());
    EXPECT_EQ(LastOwnLine(), "   CANCEL");
    // Every answer shows as "OK"; the last may come after the stop.
    EXPECT_GE(std::count(monitor.begin(), monitor.end(), Received("OK")), n - 1);
    EXPECT_TRUE(view.commandControlsEnabled());
    EXPECT_FALSE(session->transaction().EventExists(Reply::Cancel));
}

TEST_F(LineTest, ErrorReplyOrSilenceEndsTestAsFailure) {
    TimeDivisor fast(10);
    struct Case {
        std::string failing;  // the answer to the third request
        std::string text;
        bool timeoutLine;
    };
    const Case cases[] = {
        {ErrorReply(), "Контроллера нет в линии. Попыток — 3", false},
        {"", "Время ожидания ответа истекло. Попыток — 3", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        view.Clear();
        session->monitor().Clear();
        // Captured by value: the line side may call it after an early end.
        const auto seen = std::make_shared<int>(0);
        player.SetScript([seen, c](const SeenFrame&) { return ++*seen < 3 ? Ack() : c.failing; });
        commands().TestLine();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(*seen, 3);
        EXPECT_EQ(LastBalloon().text, c.text);
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        const auto monitor = Monitor();
        EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   TIMEOUT"), c.timeoutLine ? 1 : 0);
        EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   CANCEL"), 0);
        EXPECT_EQ(std::count(monitor.begin(), monitor.end(), Received("OK")), 2);
        EXPECT_EQ(std::count(monitor.begin(), monitor.end(), Received("ERROR")), c.timeoutLine ? 0 : 1);
    }
}

TEST_F(LineTest, StopWhileNoTestRunsDoesNothing) {
    session->StopCommand();
    TimeDivisor fast(10);
    player.SetScript(
        [seen = std::make_shared<int>(0)](const SeenFrame&) { return ++*seen < 4 ? Ack() : std::string(); });
    commands().TestLine();
    ASSERT_TRUE(RunUntilDone());
    // The earlier stop was not kept for this test: it ran to its time-out.
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло. Попыток — 4");
}

}  // namespace
}  // namespace tulex::test
