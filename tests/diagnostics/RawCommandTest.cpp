// "Выполнить команду" against a controller of the in-memory line: the dialog
// with the remembered text, the typed text on the line as it was typed, and
// the single exchange's outcomes.

#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

class RawCommand : public CommandFixture {};

TEST_F(RawCommand, TypedTextGoesOnLineAndIsRemembered) {
    controllers.Add(kG);
    view.QueueInput(std::string("!1344"));
    commands().RunRawCommand();
    const auto inputs = view.CallsOf("input");
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].caption, "Выполнить команду");
    EXPECT_EQ(view.lastInputPrompt(), "Команда контроллеру:");
    EXPECT_EQ(view.lastInputInitial(), "");
    ASSERT_TRUE(RunUntilDone());
    // The request and one buffer-clearing pass.
    EXPECT_EQ(HexBytes(line.Written()), "FF FF FF FF 47 47 21 31 33 34 34 3F 1C FF FD 3F FF 47 3F");
    EXPECT_EQ(controllers.Register(kG, 13), "44") << "the controller carried the command out";
    EXPECT_EQ(LastBalloon().text, "Команда отправлена.");
    EXPECT_EQ(LastBalloon().colour, kSuccessColour);
    EXPECT_EQ(MonitorCount(Sent(kG, "Команда контроллеру: !1344")), 1u);
    EXPECT_EQ(session->transaction().rawCommandText, "!1344");

    // The next dialog offers the text; cancelling it changes nothing.
    view.Clear();
    commands().RunRawCommand();
    EXPECT_EQ(view.lastInputInitial(), "!1344");
    dispatcher.ProcessPending();
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_EQ(line.Frames().size(), 3u);
    EXPECT_EQ(session->transaction().rawCommandText, "!1344");
}

// An empty text sends a request with no command characters and is offered
// as the next default; Cyrillic text goes out in Windows-1251. The controller
// takes any text (the positive reply), as lax firmware does.
TEST_F(RawCommand, EmptyAndCyrillicText) {
    controllers.Add(kG, {}, Answer::Positive);
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.acceptsAnyCommand = true; });
    view.QueueInput(std::string(""));
    commands().RunRawCommand();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(LastBalloon().text, "Команда отправлена.");
    view.QueueInput(std::string("Ж1"));
    commands().RunRawCommand();
    EXPECT_EQ(view.lastInputInitial(), "");
    ASSERT_TRUE(RunUntilDone());
    const auto frames = line.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(HexBytes(frames[0].bytes), "FF FF FF FF 47 47 3F 3F");
    EXPECT_EQ(HexBytes(frames[1].bytes), "FF FF FF FF 47 47 C6 31 3F C8");
    EXPECT_EQ(LastBalloon().text, "Команда отправлена.");
    EXPECT_EQ(session->transaction().rawCommandText, "Ж1");
    EXPECT_EQ(MonitorCount(Sent(kG, "Команда контроллеру: ")), 1u);
    EXPECT_EQ(MonitorCount(Sent(kG, "Команда контроллеру: Ж1")), 1u);
}

// A character Windows-1251 cannot carry would go out as "?" and cut the
// frame: the command is refused with a warning and nothing is sent.
TEST_F(RawCommand, TextTheLineCannotCarryIsRefused) {
    view.QueueInput(std::string("$$中"));
    commands().RunRawCommand();
    dispatcher.ProcessPending();
    const auto messages = view.CallsOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Предупреждение");
    EXPECT_EQ(messages[0].text, "Команда содержит символы, которые нельзя передать в линию.");
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_TRUE(line.Written().empty());
    EXPECT_EQ(session->transaction().busy, 0);
}

// No answer ends the command with "   TIMEOUT" 3 s after the request; a
// device error reply (a text the controller does not understand) is no answer.
// A stop pressed a second in has no effect on a raw command.
TEST_F(RawCommand, NoAnswerTimesOutAfterThreeSecondsAndStopIsIgnored) {
    struct Case {
        const char* name;
        Answer answer;
        std::string text;
        std::size_t deviceErrors;
    };
    const Case cases[] = {
        {"silent controller", Answer::Silent, "$$02", 0},
        {"command not understood", Answer::Ack, "$$0", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Clear();
        session->monitor().Clear();
        controllers.Add(kG, {}, c.answer);
        const std::size_t before = line.Requests().size();
        view.QueueInput(c.text);
        commands().RunRawCommand();
        ASSERT_TRUE(RunUntilWaiting([&] { return line.Requests().size() > before; }));
        const auto sentAt = line.Requests().back().at;
        clock.Advance(1s);
        Stop();
        dispatcher.ProcessPending();
        EXPECT_FALSE(view.commandControlsEnabled()) << "still waiting despite the stop";
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(clock.Now() - sentAt, 3s);
        EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        EXPECT_EQ(Monitor().back(), "   TIMEOUT");
        EXPECT_EQ(MonitorCount(Received("DEVICE ERROR")), c.deviceErrors);
        EXPECT_EQ(MonitorCount("   CANCEL"), 0u);
    }
}

TEST_F(RawCommand, ErrorReplyMeansNotOnLine) {
    controllers.Add(kG, {}, Answer::Error);
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
