// "Выполнить команду": the dialog with the remembered text, the typed text
// on the line as it was typed, and the single exchange's outcomes.

#include "tests/diagnostics/Fixture.h"

#include <algorithm>

namespace tulex::test {
namespace {

constexpr std::uint8_t kG = 0x47;

class RawCommand : public LineFixture {};

TEST_F(RawCommand, TypedTextGoesOnLineAndIsRemembered) {
    player.SetScript([](const SeenFrame&) { return Ack(); });
    view.QueueInput(std::string("!134"));
    commands().RunRawCommand();
    const auto inputs = view.CallsOf("input");
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].caption, "Выполнить команду");
    EXPECT_EQ(view.lastInputPrompt(), "Команда контроллеру:");
    EXPECT_EQ(view.lastInputInitial(), "");
    ASSERT_TRUE(RunUntilDone());
    const auto frames = player.Frames();
    ASSERT_EQ(frames.size(), 3u);  // the request and one buffer-clearing pair
    EXPECT_EQ(HexBytes(frames[0].bytes), "FF FF FF FF 47 47 21 31 33 34 3F 28");
    EXPECT_EQ(HexBytes(frames[1].bytes), "FF FD 3F");
    EXPECT_EQ(HexBytes(frames[2].bytes), "FF 47 3F");
    EXPECT_EQ(LastBalloon().text, "Команда отправлена.");
    EXPECT_EQ(LastBalloon().colour, kSuccessColour);
    const auto monitor = Monitor();
    EXPECT_EQ(std::count(monitor.begin(), monitor.end(), Sent(kG, "Команда контроллеру: !134")), 1);
    EXPECT_EQ(session->transaction().rawCommandText, "!134");

    // The next dialog offers the text; cancelling it changes nothing.
    view.Clear();
    commands().RunRawCommand();
    EXPECT_EQ(view.lastInputInitial(), "!134");
    dispatcher.RunFor(100ms);
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_EQ(player.Frames().size(), 3u);
    EXPECT_EQ(session->transaction().rawCommandText, "!134");
}

// An empty text sends a request with no command characters and is offered
// as the next default; Cyrillic text goes out in Windows-1251.
TEST_F(RawCommand, EmptyAndCyrillicText) {
    player.SetScript(
        [](const SeenFrame& f) { return f.kind == SeenFrame::Kind::Request ? Positive() : std::string(); });
    view.QueueInput(std::string(""));
    commands().RunRawCommand();
    ASSERT_TRUE(RunUntilDone());
    view.QueueInput(std::string("Ж1"));
    commands().RunRawCommand();
    EXPECT_EQ(view.lastInputInitial(), "");
    ASSERT_TRUE(RunUntilDone());
    const auto frames = player.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(HexBytes(frames[0].bytes), "FF FF FF FF 47 47 3F 3F");
    EXPECT_EQ(HexBytes(frames[1].bytes), "FF FF FF FF 47 47 C6 31 3F C8");
    EXPECT_EQ(LastBalloon().text, "Команда отправлена.");
    EXPECT_EQ(session->transaction().rawCommandText, "Ж1");
    const auto monitor = Monitor();
    EXPECT_EQ(std::count(monitor.begin(), monitor.end(), Sent(kG, "Команда контроллеру: ")), 1);
    EXPECT_EQ(std::count(monitor.begin(), monitor.end(), Sent(kG, "Команда контроллеру: Ж1")), 1);
}

// A character Windows-1251 cannot carry would go out as "?" and cut the
// frame: the command is refused with a warning and nothing is sent.
TEST_F(RawCommand, TextTheLineCannotCarryIsRefused) {
    view.QueueInput(std::string("$$中"));
    commands().RunRawCommand();
    dispatcher.RunFor(100ms);
    const auto messages = view.CallsOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Предупреждение");
    EXPECT_EQ(messages[0].text, "Команда содержит символы, которые нельзя передать в линию.");
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_TRUE(player.Frames().empty());
    EXPECT_EQ(session->transaction().busy, 0);
}

// The real 3000 ms limit: silence ends the command with "   TIMEOUT"; a stop
// pressed meanwhile has no effect on a raw command.
TEST_F(RawCommand, SilenceTimesOutAtRealLimitAndStopIsIgnored) {
    ASSERT_EQ(TestTimeDivisor(), 1);
    view.QueueInput(std::string("$$02"));
    commands().RunRawCommand();
    ASSERT_TRUE(WaitForRequests(1, 2s));
    session->StopCommand();
    dispatcher.RunFor(1000ms);
    EXPECT_FALSE(view.commandControlsEnabled());  // still waiting despite the stop
    ASSERT_TRUE(RunUntilDone(5s));
    EXPECT_GE(std::chrono::steady_clock::now() - player.Requests()[0].at, 2900ms);
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
    const auto monitor = Monitor();
    EXPECT_EQ(LastOwnLine(), "   TIMEOUT");
    EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   CANCEL"), 0);
}

TEST_F(RawCommand, ErrorReplyMeansNotOnLine) {
    player.SetScript([](const SeenFrame&) { return ErrorReply(); });
    view.QueueInput(std::string("$$02"));
    commands().RunRawCommand();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
}

TEST_F(RawCommand, PortClosedShowsWarningWithoutDialog) {
    session->ClosePort();
    view.Clear();
    view.QueueInput(std::string("$$02"));
    commands().RunRawCommand();
    EXPECT_TRUE(view.CallsOf("input").empty());
    ASSERT_EQ(view.CallsOf("message").size(), 1u);
    EXPECT_EQ(view.CallsOf("message")[0].text, "Начните работу с выбора COM-порта.");
}

}  // namespace
}  // namespace tulex::test
