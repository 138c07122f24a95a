// "Тест линии на замыкание и обрыв" against a controller of the in-memory
// line: presence requests back to back, counted, until "Остановить", an error
// reply or silence; the end says how many were sent and answered.

#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

class LineTest : public CommandFixture {};

// A controller that always answers, with the acknowledgement or the positive
// reply, 20 ms after each request (a frame's time on the wire): the next
// request goes out the moment the answer is in, until "Остановить"; the count
// is the number of requests sent.
TEST_F(LineTest, StopEndsTestWithAttemptCount) {
    for (const Answer answer : {Answer::Ack, Answer::Positive}) {
        SCOPED_TRACE(answer == Answer::Ack ? "acknowledgement" : "positive reply");
        DrainLine();
        view.Clear();
        session->monitor().Clear();
        controllers.Add(kG, {}, answer);
        controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.delayMs = 20; });
        const std::size_t before = line.Frames().size();
        commands().TestLine();
        EXPECT_FALSE(view.commandControlsEnabled());
        ASSERT_TRUE(RunUntil([&] { return line.Frames().size() >= before + 6; }));
        Stop();
        ASSERT_TRUE(RunUntilDone());

        const auto frames = line.Frames();
        ASSERT_EQ(frames.size(), before + 6) << "no buffer clearing, nothing after the stop";
        for (std::size_t i = before; i < frames.size(); ++i) {
            EXPECT_EQ(HexBytes(frames[i].bytes), "FF FF FF FF 47 47 24 24 30 32 3F 3D");
            if (i > before) {
                EXPECT_EQ(frames[i].at - frames[i - 1].at, 20ms);
            }
        }
        EXPECT_EQ(clock.Now(), frames.back().at) << "the stop ends the wait at once";

        const auto balloon = LastBalloon();
        EXPECT_EQ(balloon.caption, "Информация");
        EXPECT_EQ(balloon.text, "Тест линии завершен. Попыток — 6\nОтправлено: 6, ответов: 5 (83,3 %), тайм-аутов: 0");
        EXPECT_EQ(balloon.colour, kSuccessColour);
        const auto texts = BalloonTexts();
        ASSERT_EQ(texts.size(), 6u);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(texts[i], "Тест линии: Попытка " + std::to_string(i + 1));

        for (int i = 1; i <= 6; ++i)
            EXPECT_EQ(MonitorCount(Sent(kG, "Тест линии: Попытка " + std::to_string(i))), 1u) << i;
        const auto monitor = Monitor();
        ASSERT_GE(monitor.size(), 2u);
        EXPECT_EQ(monitor[monitor.size() - 2], "   CANCEL");
        EXPECT_EQ(monitor.back(), "   Отправлено: 6, ответов: 5 (83,3 %), тайм-аутов: 0");
        EXPECT_EQ(MonitorCount(Received("OK")), 5u) << "the sixth answer was not due yet";
        EXPECT_TRUE(view.commandControlsEnabled());
        EXPECT_FALSE(session->transaction().EventExists(Reply::Cancel));
    }
}

// The controller answers two requests and then fails the third: with the
// error reply at once, or with silence, which ends the test 3 s later.
TEST_F(LineTest, ErrorReplyOrSilenceEndsTestAsFailure) {
    struct Case {
        const char* name;
        std::function<void(sim::ControllerBehaviour&)> fault;
        std::string text;
        bool timeoutLine;
        std::chrono::milliseconds lasts;  // from the third request to the end
    };
    const Case cases[] = {
        {"error reply", [](sim::ControllerBehaviour& b) { b.framesBeforeErrors = 2; },
         "Контроллера нет в линии. Попыток — 3\nОтправлено: 3, ответов: 2 (66,7 %), тайм-аутов: 0", false, 0ms},
        {"silence", [](sim::ControllerBehaviour& b) { b.framesBeforeSilence = 2; },
         "Время ожидания ответа истекло. Попыток — 3\nОтправлено: 3, ответов: 2 (66,7 %), тайм-аутов: 1", true, 3s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Clear();
        session->monitor().Clear();
        controllers.Add(kG);
        controllers.Change(kG, c.fault);
        const std::size_t before = line.Requests().size();
        commands().TestLine();
        ASSERT_TRUE(RunUntilDone());
        const auto requests = line.Requests();
        ASSERT_EQ(requests.size(), before + 3);
        EXPECT_EQ(clock.Now() - requests.back().at, c.lasts);
        EXPECT_EQ(LastBalloon().text, c.text);
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        EXPECT_EQ(Monitor().back(), "   " + c.text.substr(c.text.find('\n') + 1));
        EXPECT_EQ(MonitorCount("   TIMEOUT"), c.timeoutLine ? 1u : 0u);
        EXPECT_EQ(MonitorCount("   CANCEL"), 0u);
        EXPECT_EQ(MonitorCount(Received("OK")), 2u);
        EXPECT_EQ(MonitorCount(Received("ERROR")), c.timeoutLine ? 0u : 1u);
        EXPECT_TRUE(view.commandControlsEnabled());
    }
}

TEST_F(LineTest, StopWhileNoTestRunsDoesNothing) {
    session->StopCommand();
    controllers.Add(kG);
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.framesBeforeSilence = 3; });
    commands().TestLine();
    ASSERT_TRUE(RunUntilDone());
    // The earlier stop was not kept for this test: it ran to its time-out.
    EXPECT_EQ(LastBalloon().text,
              "Время ожидания ответа истекло. Попыток — 4\nОтправлено: 4, ответов: 3 (75,0 %), тайм-аутов: 1");
    EXPECT_EQ(line.Requests().size(), 4u);
}

}  // namespace
}  // namespace tulex::test
