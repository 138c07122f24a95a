// "Тест реле на срабатывание": the warning, the hold-time request, triggers
// paced by the hold time plus 100 ms, and the ways the test ends.

#include "tests/diagnostics/Fixture.h"

#include <algorithm>

namespace tulex::test {
namespace {

constexpr std::uint8_t kG = 0x47;

std::string Question(int relay) {
    return "Тест реле выполнять только для демонтированного контроллера.\n\nДатчики должны быть отключены.\n\n"
           "Начать тест реле " +
           std::to_string(relay) + "?";
}

class RelayTest : public LineFixture {
protected:
    void Start(int relay) {
        switch (relay) {
        case 1: commands().TestRelay(1); break;
        case 2: commands().TestRelay(2); break;
        case 3: commands().TestRelay(3); break;
        default: commands().TestRelay(4); break;
        }
    }
    // A controller with a relay of the given hold time: it acknowledges the
    // time request, hands over the time when polled, acknowledges triggers.
    void Controller(const std::string& timeCommand, const std::string& holdTime) {
        player.SetScript([=](const SeenFrame& f) -> std::string {
            if (f.kind == SeenFrame::Kind::Short) return f.index == kG ? DataReply(kG, holdTime) + Ack() : "";
            return f.command == timeCommand ? Ack() : Positive();
        });
    }
    std::vector<SeenFrame> Triggers(const std::string& trigger) const {
        std::vector<SeenFrame> out;
        for (const auto& r : player.Requests())
            if (r.command == trigger) out.push_back(r);
        return out;
    }
};

TEST_F(RelayTest, EachRelayAsksThenTriggersUntilStopped) {
    struct Case {
        int relay;
        std::string timeCommand, trigger, timeBytes, triggerBytes;
    };
    const Case cases[] = {
        {1, "$$10", ">", "FF FF FF FF 47 47 24 24 31 30 3F 3E", "FF FF FF FF 47 47 3E 3F 01"},
        {2, "$$11", "<", "FF FF FF FF 47 47 24 24 31 31 3F 3F", "FF FF FF FF 47 47 3C 3F 03"},
        {3, "$$16", "08", "FF FF FF FF 47 47 24 24 31 36 3F 38", "FF FF FF FF 47 47 30 38 3F 37"},
        {4, "$$17", "09", "FF FF FF FF 47 47 24 24 31 37 3F 39", "FF FF FF FF 47 47 30 39 3F 36"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relay);
        view.Clear();
        session->monitor().Clear();
        const std::size_t before = player.Frames().size();
        Controller(c.timeCommand, "00");  // hold time 0: 100 ms between triggers
        view.QueueYesNo(true);
        Start(c.relay);
        const auto asks = view.CallsOf("ask");
        ASSERT_EQ(asks.size(), 1u);
        EXPECT_EQ(asks[0].caption, "Предупреждение");
        EXPECT_EQ(asks[0].text, Question(c.relay));
        ASSERT_TRUE(RunUntil([&] { return Triggers(c.trigger).size() >= 3; }, 10s));
        session->StopCommand();
        ASSERT_TRUE(RunUntilDone());

        const auto frames = player.Frames();
        ASSERT_GE(frames.size(), before + 6);
        EXPECT_EQ(HexBytes(frames[before].bytes), c.timeBytes);
        EXPECT_EQ(HexBytes(frames[before + 1].bytes), "FF FD 3F");
        EXPECT_EQ(HexBytes(frames[before + 2].bytes), "FF 47 3F");
        const auto triggers = Triggers(c.trigger);
        for (const auto& t : triggers) EXPECT_EQ(HexBytes(t.bytes), c.triggerBytes);
        const int n = static_cast<int>(triggers.size());
        EXPECT_EQ(frames.size(), before + 3 + triggers.size());

        const std::string prefix = "Тест реле " + std::to_string(c.relay) + ": ";
        const auto monitor = Monitor();
        EXPECT_EQ(std::count(monitor.begin(), monitor.end(), Sent(kG, prefix + "Запрос времени")), 1);
        for (int i = 1; i <= n; ++i)
            EXPECT_EQ(std::count(monitor.begin(), monitor.end(), Sent(kG, prefix + "Попытка " + std::to_string(i))), 1);
        EXPECT_EQ(LastOwnLine(), "   CANCEL");
        const auto texts = BalloonTexts();
        ASSERT_EQ(static_cast<int>(texts.size()), n);
        EXPECT_EQ(texts.back(), prefix + "Попытка " + std::to_string(n));
        EXPECT_EQ(LastBalloon().text, "Тест реле завершен. Попыток — " + std::to_string(n));
        EXPECT_EQ(LastBalloon().colour, kSuccessColour);
        EXPECT_TRUE(view.commandControlsEnabled());
    }
}

// Hold time 0A = 1.0 s: triggers come at least 1100 ms apart (loose lower
// bound, measured on the line). A stop in the pause ends the test at once
// with the current count, not at the end of the pause.
TEST_F(RelayTest, HoldTime0APausesAndStopInPauseEndsAtOnce) {
    ASSERT_EQ(TestTimeDivisor(), 1);
    Controller("$$10", "0A");
    view.QueueYesNo(true);
    commands().TestRelay(1);
    ASSERT_TRUE(RunUntil([&] { return Triggers(">").size() >= 3; }, 10s));
    // The third trigger has just been acknowledged: its pause is running.
    dispatcher.RunFor(100ms);
    session->StopCommand();
    ASSERT_TRUE(RunUntilDone(5s));
    const auto done = std::chrono::steady_clock::now();
    const auto triggers = Triggers(">");
    ASSERT_EQ(triggers.size(), 3u);
    EXPECT_GE(triggers[1].at - triggers[0].at, 1090ms);
    EXPECT_GE(triggers[2].at - triggers[1].at, 1090ms);
    EXPECT_LT(done, triggers[2].at + 1100ms);  // the pause did not run to its end
    EXPECT_EQ(LastBalloon().text, "Тест реле завершен. Попыток — 3");
    EXPECT_EQ(LastOwnLine(), "   CANCEL");
    dispatcher.RunFor(300ms);
    EXPECT_EQ(Triggers(">").size(), 3u);
}

TEST_F(RelayTest, AnsweringNoSendsNothing) {
    view.QueueYesNo(false);
    commands().TestRelay(3);
    dispatcher.RunFor(100ms);
    EXPECT_EQ(view.CallsOf("ask").size(), 1u);
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_TRUE(view.commandControlsEnabled());
    EXPECT_EQ(session->transaction().busy, 0);
    EXPECT_TRUE(player.Frames().empty());
}

// Stopped before the first trigger: while the time request is awaited, while
// the controller's buffer is cleared after its acknowledgement (it stays
// silent), or while the hold time is awaited (the relay is never switched
// after a stop).
TEST_F(RelayTest, StopBeforeFirstTrigger) {
    struct Case {
        const char* name;
        std::string answer;  // to the time request
    };
    const Case cases[] = {
        {"no answer yet", ""}, {"silent in buffer clearing", Ack()}, {"hold time not yet", Positive()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Clear();
        session->monitor().Clear();
        const std::size_t before = player.Requests().size();
        player.SetScript(
            [c](const SeenFrame& f) { return f.kind == SeenFrame::Kind::Request ? c.answer : std::string(); });
        view.QueueYesNo(true);
        commands().TestRelay(2);
        ASSERT_TRUE(WaitForRequests(before + 1, 3s));
        dispatcher.RunFor(50ms);
        session->StopCommand();
        ASSERT_TRUE(RunUntilDone(5s));
        EXPECT_EQ(player.Requests().size(), 1 + before);  // the time request only
        if (c.answer == Ack()) {
            EXPECT_EQ(HexBytes(player.Frames().back().bytes), "FF 47 3F");  // stopped while clearing
        }
        EXPECT_EQ(LastBalloon().text, "Тест реле завершен.");
        EXPECT_EQ(LastBalloon().colour, kSuccessColour);
        EXPECT_EQ(LastOwnLine(), "   CANCEL");
    }
}

// The hold time comes with the positive reply here (no buffer clearing), so
// the shortened limits cannot leave a stale acknowledgement behind a slow
// clearing pass.
TEST_F(RelayTest, FailuresNameTheAttempt) {
    TimeDivisor fast(10);
    struct Case {
        const char* name;
        std::string timeAnswer;  // to the time request
        int failAt;              // trigger answered with failAnswer (0: none)
        std::string failAnswer;
        std::string text;
        bool timeoutLine;
        std::size_t triggers;
    };
    const std::string withHold = Positive() + DataReply(kG, "00");
    const Case cases[] = {
        {"error reply to time request", ErrorReply(), 0, "", "Контроллера нет в линии.", false, 0},
        {"silence to time request", "", 0, "", "Время ожидания ответа истекло.", true, 0},
        {"no hold time", Positive(), 0, "", "Время ожидания ответа истекло. Попыток — 0", true, 0},
        {"hold time not hex", Positive() + DataReply(kG, "Z1"), 0, "", "Ошибка. Попробуйте повторить тест.", false, 0},
        {"hold time too short", Positive() + DataReply(kG, "5"), 0, "", "Ошибка. Попробуйте повторить тест.", false, 0},
        {"error reply to trigger 2", withHold, 2, ErrorReply(), "Контроллера нет в линии. Попыток — 2", false, 2},
        {"silence to trigger 1", withHold, 1, "", "Время ожидания ответа истекло. Попыток — 1", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Clear();
        session->monitor().Clear();
        const std::size_t before = Triggers("08").size();
        // Captured by value: the line side may still call it if a check
        // below ends the test early.
        player.SetScript([c, triggers = std::make_shared<int>(0)](const SeenFrame& f) -> std::string {
            if (f.kind == SeenFrame::Kind::Short) return Ack();
            if (f.command == "$$16") return c.timeAnswer;
            return ++*triggers == c.failAt ? c.failAnswer : Ack();
        });
        view.QueueYesNo(true);
        commands().TestRelay(3);
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(Triggers("08").size() - before, c.triggers);
        EXPECT_EQ(LastBalloon().text, c.text);
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        const auto monitor = Monitor();
        EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   TIMEOUT"), c.timeoutLine ? 1 : 0);
        EXPECT_TRUE(view.commandControlsEnabled());
    }
}

}  // namespace
}  // namespace tulex::test
