// "Тест реле на срабатывание" against a controller of the in-memory line: the
// warning, the hold-time request, triggers paced by the relay's hold time plus
// 100 ms, and the ways the test ends.

#include "app/Timing.h"
#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

std::string Question(int relay) {
    return "Тест реле выполнять только для демонтированного контроллера.\n\nДатчики должны быть отключены.\n\n"
           "Начать тест реле " +
           std::to_string(relay) + "?";
}

// The register that holds each relay's hold time, in units of 100 ms.
const char* HoldTimeRegister(int relay) {
    static const char* const kRegisters[] = {"10", "11", "16", "17"};
    return kRegisters[relay - 1];
}

class RelayTest : public CommandFixture {
protected:
    // A controller at G whose relay holds for `holdTime` (two hex digits).
    void Controller(int relay, const std::string& holdTime, Answer answer = Answer::Ack) {
        controllers.Add(kG, {{HoldTimeRegister(relay), holdTime}}, answer);
    }
    // Runs until the test pauses after its n-th trigger (or a later one):
    // it waits with a deadline short of the reply limit. Returns the pause.
    std::chrono::milliseconds RunUntilPausedAfter(const std::string& trigger, std::size_t n) {
        const auto pausing = [&] {
            const auto triggers = RequestsOf(trigger);
            const auto deadline = clock.NextDeadline();
            return triggers.size() >= n && deadline && *deadline < triggers.back().at + limits::kReply;
        };
        if (!RunUntilWaiting(pausing)) return std::chrono::milliseconds(-1);
        return std::chrono::duration_cast<std::chrono::milliseconds>(*clock.NextDeadline() -
                                                                     RequestsOf(trigger).back().at);
    }
};

// Each relay: the warning, the time request (acknowledged, so one buffer
// clearing pass fetches the hold time), then one trigger every 100 ms (hold
// time 0) until "Остановить" in a pause.
TEST_F(RelayTest, EachRelayAsksThenTriggersUntilStopped) {
    struct Case {
        int relay;
        std::string trigger, timeBytes, triggerBytes;
    };
    const Case cases[] = {
        {1, ">", "FF FF FF FF 47 47 24 24 31 30 3F 3E", "FF FF FF FF 47 47 3E 3F 01"},
        {2, "<", "FF FF FF FF 47 47 24 24 31 31 3F 3F", "FF FF FF FF 47 47 3C 3F 03"},
        {3, "08", "FF FF FF FF 47 47 24 24 31 36 3F 38", "FF FF FF FF 47 47 30 38 3F 37"},
        {4, "09", "FF FF FF FF 47 47 24 24 31 37 3F 39", "FF FF FF FF 47 47 30 39 3F 36"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relay);
        view.Clear();
        session->monitor().Clear();
        const std::size_t before = line.Frames().size();
        Controller(c.relay, "00");
        view.QueueYesNo(true);
        commands().TestRelay(c.relay);
        const auto asks = view.CallsOf("ask");
        ASSERT_EQ(asks.size(), 1u);
        EXPECT_EQ(asks[0].caption, "Предупреждение");
        EXPECT_EQ(asks[0].text, Question(c.relay));
        ASSERT_EQ(RunUntilPausedAfter(c.trigger, 3), 100ms);
        const auto stoppedAt = clock.Now();
        Stop();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(clock.Now(), stoppedAt) << "the pause ends at the stop";

        const auto frames = line.Frames();
        ASSERT_GE(frames.size(), before + 6);
        EXPECT_EQ(HexBytes(frames[before].bytes), c.timeBytes);
        EXPECT_EQ(HexBytes(frames[before + 1].bytes), "FF FD 3F");
        EXPECT_EQ(HexBytes(frames[before + 2].bytes), "FF 47 3F");
        const auto triggers = RequestsOf(c.trigger);
        const std::size_t n = triggers.size();
        EXPECT_EQ(frames.size(), before + 3 + n);
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(HexBytes(triggers[i].bytes), c.triggerBytes);
            if (i > 0) {
                EXPECT_EQ(triggers[i].at - triggers[i - 1].at, 100ms);
            }
        }

        const std::string prefix = "Тест реле " + std::to_string(c.relay) + ": ";
        EXPECT_EQ(MonitorCount(Sent(kG, prefix + "Запрос времени")), 1u);
        for (std::size_t i = 1; i <= n; ++i)
            EXPECT_EQ(MonitorCount(Sent(kG, prefix + "Попытка " + std::to_string(i))), 1u);
        EXPECT_EQ(MonitorCount(Received("OK")), n + 2) << "the time request, the poll and every trigger";
        // "   CANCEL", then how many triggers were sent and answered.
        const auto monitor = Monitor();
        ASSERT_GE(monitor.size(), 2u);
        EXPECT_EQ(monitor[monitor.size() - 2], "   CANCEL");
        const std::string tally = "Отправлено: " + std::to_string(n) + ", ответов: ";
        EXPECT_EQ(monitor.back().rfind("   " + tally, 0), 0u) << monitor.back();
        const auto texts = BalloonTexts();
        ASSERT_EQ(texts.size(), n);
        EXPECT_EQ(texts.back(), prefix + "Попытка " + std::to_string(n));
        EXPECT_EQ(LastBalloon().text.rfind("Тест реле завершен. Попыток — " + std::to_string(n) + "\n" + tally, 0), 0u)
            << LastBalloon().text;
        EXPECT_EQ(LastBalloon().colour, kSuccessColour);
        EXPECT_TRUE(view.commandControlsEnabled());
    }
}

// Hold time 0A = 1.0 s: 1100 ms from each acknowledged trigger to the next. A
// stop in the pause ends the test at once with the current count, not at the
// end of the pause, and nothing follows it.
TEST_F(RelayTest, HoldTime0APausesAndStopInPauseEndsAtOnce) {
    Controller(1, "0A");
    view.QueueYesNo(true);
    commands().TestRelay(1);
    ASSERT_EQ(RunUntilPausedAfter(">", 3), 1100ms);
    const auto triggers = RequestsOf(">");
    ASSERT_EQ(triggers.size(), 3u);
    EXPECT_EQ(triggers[1].at - triggers[0].at, 1100ms);
    EXPECT_EQ(triggers[2].at - triggers[1].at, 1100ms);
    clock.Advance(400ms);  // well inside the third pause
    Stop();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(clock.Now() - triggers[2].at, 400ms);
    EXPECT_EQ(LastBalloon().text,
              "Тест реле завершен. Попыток — 3\nОтправлено: 3, ответов: 3 (100,0 %), тайм-аутов: 0");
    EXPECT_EQ(Monitor().back(), "   Отправлено: 3, ответов: 3 (100,0 %), тайм-аутов: 0");
    EXPECT_EQ(MonitorCount("   CANCEL"), 1u);
    clock.Advance(5s);
    dispatcher.ProcessPending();
    EXPECT_EQ(RequestsOf(">").size(), 3u);
}

TEST_F(RelayTest, AnsweringNoSendsNothing) {
    view.QueueYesNo(false);
    commands().TestRelay(3);
    dispatcher.ProcessPending();
    EXPECT_EQ(view.CallsOf("ask").size(), 1u);
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_TRUE(view.commandControlsEnabled());
    EXPECT_EQ(session->transaction().busy, 0);
    EXPECT_TRUE(line.Written().empty());
}

// Stopped before the first trigger: a second into the wait for the time
// request's answer, in the second pass of the buffer clearing after its
// acknowledgement (the controller falls silent), or a second into the wait
// for the hold time (the relay is never switched after a stop). The stop ends
// each wait at once.
TEST_F(RelayTest, StopBeforeFirstTrigger) {
    struct Case {
        const char* name;
        Answer answer;  // to the time request
        std::function<void(sim::ControllerBehaviour&)> fault;
        std::string written;             // since the case began, when the stop comes
        std::size_t answers;             // "OK" lines by then
        std::chrono::milliseconds into;  // the clock moved on by hand before the stop
    };
    const Case cases[] = {
        {"no answer yet", Answer::Silent, [](sim::ControllerBehaviour&) {}, Request(kG, "$$11"), 0, 1s},
        {"silent in buffer clearing", Answer::Ack, [](sim::ControllerBehaviour& b) { b.framesBeforeSilence = 1; },
         Request(kG, "$$11") + kClear + Poll(kG) + kClear + Poll(kG), 1, 0ms},
        {"hold time not yet", Answer::Positive, [](sim::ControllerBehaviour& b) { b.noDataAfterAck = true; },
         Request(kG, "$$11"), 1, 1s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Clear();
        session->monitor().Clear();
        controllers.Add(kG, {}, c.answer);
        controllers.Change(kG, c.fault);
        const std::size_t before = line.Written().size();
        view.QueueYesNo(true);
        commands().TestRelay(2);
        ASSERT_TRUE(RunUntilWaiting([&] {
            return line.Written().size() >= before + c.written.size() && MonitorCount(Received("OK")) >= c.answers;
        }));
        clock.Advance(c.into);
        const auto stoppedAt = clock.Now();
        Stop();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(clock.Now(), stoppedAt);
        EXPECT_EQ(HexBytes(line.Written().substr(before)), HexBytes(c.written)) << "no trigger";
        EXPECT_EQ(MonitorCount(Received("OK")), c.answers);
        EXPECT_EQ(LastBalloon().text, "Тест реле завершен.");
        EXPECT_EQ(LastBalloon().colour, kSuccessColour);
        EXPECT_EQ(Monitor().back(), "   CANCEL");
    }
}

// The ways the test fails, each naming the attempt it failed at. The
// controller answers with the positive reply here, so the hold time (0) comes
// with it and the triggers follow each other 100 ms apart.
TEST_F(RelayTest, FailuresNameTheAttempt) {
    using Change = std::function<void(sim::ControllerBehaviour&)>;
    struct Case {
        const char* name;
        Answer answer;
        Change fault;
        std::string text;
        bool timeoutLine;
        std::size_t triggers;
        std::chrono::milliseconds lasts;
    };
    const Change none = [](sim::ControllerBehaviour&) {};
    const Case cases[] = {
        {"error reply to time request", Answer::Error, none, "Контроллера нет в линии.", false, 0, 0ms},
        {"silence to time request", Answer::Silent, none, "Время ожидания ответа истекло.", true, 0, 3s},
        {"no hold time", Answer::Positive, [](sim::ControllerBehaviour& b) { b.noDataAfterAck = true; },
         "Время ожидания ответа истекло. Попыток — 0", true, 0, 3s},
        {"hold time not hex", Answer::Positive, [](sim::ControllerBehaviour& b) { b.dataPayload = "Z1"; },
         "Ошибка. Попробуйте повторить тест.", false, 0, 0ms},
        {"hold time too short", Answer::Positive, [](sim::ControllerBehaviour& b) { b.dataPayload = "5"; },
         "Ошибка. Попробуйте повторить тест.", false, 0, 0ms},
        {"error reply to trigger 2", Answer::Positive, [](sim::ControllerBehaviour& b) { b.framesBeforeErrors = 2; },
         "Контроллера нет в линии. Попыток — 2\nОтправлено: 2, ответов: 1 (50,0 %), тайм-аутов: 0", false, 2, 100ms},
        {"silence to trigger 1", Answer::Positive, [](sim::ControllerBehaviour& b) { b.framesBeforeSilence = 1; },
         "Время ожидания ответа истекло. Попыток — 1\nОтправлено: 1, ответов: 0 (0,0 %), тайм-аутов: 1", true, 1, 3s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Clear();
        session->monitor().Clear();
        controllers.Add(kG, {{"16", "00"}}, c.answer);
        controllers.Change(kG, c.fault);
        const std::size_t before = RequestsOf("08").size();
        const std::size_t timeRequests = RequestsOf("$$16").size();
        const auto started = clock.Now();
        view.QueueYesNo(true);
        commands().TestRelay(3);
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(RequestsOf("$$16").size(), timeRequests + 1);
        EXPECT_EQ(RequestsOf("08").size() - before, c.triggers);
        EXPECT_EQ(clock.Now() - started, c.lasts);
        EXPECT_EQ(LastBalloon().text, c.text);
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        EXPECT_EQ(MonitorCount("   TIMEOUT"), c.timeoutLine ? 1u : 0u);
        EXPECT_EQ(MonitorCount("   CANCEL"), 0u);
        EXPECT_TRUE(view.commandControlsEnabled());
    }
}

}  // namespace
}  // namespace tulex::test
