// "Тест EEPROM-памяти контроллера" against controllers of the in-memory line:
// the request, the wait for the result with its countdown in the balloon, the
// verdicts and the failures, at the real limits on the manual clock.

#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

constexpr std::uint8_t kZhe = 0xC6;  // "Ж"

class MemoryTest : public CommandFixture {
protected:
    // A controller whose memory test gives its result the moment the test
    // is started (the result waits in its buffer for the next poll, or comes
    // with the positive reply).
    void PromptController(std::uint8_t index, Answer answer,
                          const std::function<void(sim::ControllerBehaviour&)>& result) {
        controllers.Add(index, {}, answer);
        controllers.Change(index, [&](sim::ControllerBehaviour& b) {
            b.eepromDelayMs = 0;
            result(b);
        });
    }
};

// The controller acknowledges "/8" and hands over the result at the poll of
// the first buffer-clearing pass, before it acknowledges the poll.
TEST_F(MemoryTest, ResultAfterAcknowledgementDecidesTheOutcome) {
    struct Case {
        const char* name;
        std::function<void(sim::ControllerBehaviour&)> result;
        const char* text;
        Colour colour;
    };
    const Case cases[] = {
        {"passed (21)", [](sim::ControllerBehaviour&) {}, "Тест памяти завершен успешно.", kSuccessColour},
        {"failed (45)", [](sim::ControllerBehaviour& b) { b.eepromFail = true; }, "Тест памяти завершен с ошибкой.",
         kFailureColour},
        {"other result (23)", [](sim::ControllerBehaviour& b) { b.dataPayload = "23"; },
         "Ошибка. Попробуйте повторить тест.", kFailureColour},
        {"one character (2)", [](sim::ControllerBehaviour& b) { b.dataPayload = "2"; },
         "Ошибка. Попробуйте повторить тест.", kFailureColour},
    };
    session->map().SelectIndex(kZhe);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Clear();
        PromptController(kZhe, Answer::Ack, c.result);
        const std::size_t before = line.Written().size();
        const auto started = clock.Now();
        commands().TestMemory();
        EXPECT_FALSE(view.commandControlsEnabled());
        ASSERT_TRUE(RunUntilDone());
        // The request, then one buffer-clearing pass; no time passed.
        EXPECT_EQ(HexBytes(line.Written().substr(before)), "FF FF FF FF C6 C6 2F 38 3F 28 FF FD 3F FF C6 3F");
        EXPECT_EQ(clock.Now(), started);
        const auto balloon = LastBalloon();
        EXPECT_EQ(balloon.caption, "Информация");
        EXPECT_EQ(balloon.text, c.text);
        EXPECT_EQ(balloon.colour, c.colour);
        EXPECT_EQ(balloon.index, kZhe);
        EXPECT_TRUE(BalloonTexts().empty()) << "no countdown";
        EXPECT_TRUE(view.commandControlsEnabled());
        EXPECT_TRUE(session->transaction().commandList.empty());
        EXPECT_FALSE(session->transaction().EventExists(Reply::Data));
    }
    EXPECT_EQ(MonitorCount(Sent(kZhe, "Тест памяти")), 4u);
    EXPECT_EQ(MonitorCount(Sent(kZhe, "Чистка буфера контроллера")), 4u);
    EXPECT_EQ(MonitorCount(Sent(kZhe, "Запрос контроллера")), 4u);
}

// After the positive reply there is no buffer clearing: the result comes on
// its own. The first balloon is the waiting one.
TEST_F(MemoryTest, PositiveReplyWaitsWithoutBufferClearing) {
    PromptController(kG, Answer::Positive, [](sim::ControllerBehaviour&) {});
    commands().TestMemory();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "/8")));
    const auto balloons = view.CallsOf("balloon");
    ASSERT_EQ(balloons.size(), 2u);
    EXPECT_EQ(balloons[0].text, "Ожидание ответа...");
    EXPECT_EQ(balloons[0].colour, kWaitingColour);
    EXPECT_EQ(balloons[1].text, "Тест памяти завершен успешно.");
    EXPECT_EQ(balloons[1].colour, kSuccessColour);
}

// The countdown at its real pace: the first tick a second after the request,
// the next a second later; the result, 2.5 s after the request, ends the
// test. "Остановить" has no effect on the memory test.
TEST_F(MemoryTest, CountdownTicksOncePerSecondUntilTheResultComes) {
    controllers.Add(kG, {}, Answer::Positive);
    controllers.Change(kG, [](sim::ControllerBehaviour& b) {
        b.eepromDelayMs = 2500;
        b.eepromFail = true;
    });
    commands().TestMemory();
    ASSERT_TRUE(RunUntil([&] { return BalloonTexts().size() >= 1; }));
    const auto requests = line.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto sentAt = requests[0].at;
    EXPECT_EQ(clock.Now() - sentAt, 1s);
    EXPECT_EQ(BalloonTexts()[0], "Тест памяти. Ожидание: 60 с");
    Stop();
    ASSERT_TRUE(RunUntil([&] { return BalloonTexts().size() >= 2; }));
    EXPECT_EQ(clock.Now() - sentAt, 2s);
    EXPECT_EQ(BalloonTexts()[1], "Тест памяти. Ожидание: 59 с");
    EXPECT_FALSE(view.commandControlsEnabled());
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(clock.Now() - sentAt, 2500ms);
    EXPECT_EQ(BalloonTexts().size(), 2u);
    EXPECT_EQ(LastBalloon().text, "Тест памяти завершен с ошибкой.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
    EXPECT_EQ(MonitorCount("   CANCEL"), 0u);
    EXPECT_EQ(line.Requests().size(), 1u);
}

// A result that never comes: 60, 59, ... 1 in the balloon, a second apart,
// then the time-out, 60 s after the positive reply. Also when the controller
// acknowledges the test and then falls silent, to the buffer clearing too:
// the clearing passes use up each second and the countdown still runs out.
TEST_F(MemoryTest, CountdownRunsOutAfterSixtySeconds) {
    struct Case {
        const char* name;
        Answer answer;
        std::function<void(sim::ControllerBehaviour&)> fault;
        std::string written;
    };
    std::string clearingMinute;
    for (int pass = 0; pass < 600; ++pass) clearingMinute += kClear + Poll(kG);  // ten passes of 100 ms a second
    const Case cases[] = {
        {"positive reply, no result", Answer::Positive, [](sim::ControllerBehaviour& b) { b.noDataAfterAck = true; },
         Request(kG, "/8")},
        {"silent after the acknowledgement", Answer::Ack,
         [](sim::ControllerBehaviour& b) { b.framesBeforeSilence = 1; }, Request(kG, "/8") + clearingMinute},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.Clear();
        session->monitor().Clear();
        controllers.Add(kG, {}, c.answer);
        controllers.Change(kG, c.fault);
        const std::size_t before = line.Written().size();
        const auto started = clock.Now();
        commands().TestMemory();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(clock.Now() - started, 60s);
        EXPECT_EQ(HexBytes(line.Written().substr(before)), HexBytes(c.written));
        const auto texts = BalloonTexts();
        ASSERT_EQ(texts.size(), 60u);
        for (int i = 0; i < 60; ++i) EXPECT_EQ(texts[i], "Тест памяти. Ожидание: " + std::to_string(60 - i) + " с");
        EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        EXPECT_EQ(Monitor().back(), "   TIMEOUT");
        EXPECT_EQ(MonitorCount("   TIMEOUT"), 1u);
    }
}

TEST_F(MemoryTest, ErrorReplyAndSilenceFailWithoutCountdown) {
    struct Case {
        Answer answer;
        const char* text;
        bool timeoutLine;
        std::chrono::milliseconds lasts;
    };
    const Case cases[] = {
        {Answer::Error, "Контроллера нет в линии.", false, 0ms},
        {Answer::Silent, "Время ожидания ответа истекло.", true, 3s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        view.Clear();
        session->monitor().Clear();
        controllers.Add(kG, {}, c.answer);
        const auto started = clock.Now();
        commands().TestMemory();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(clock.Now() - started, c.lasts);
        EXPECT_EQ(LastBalloon().text, c.text);
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        EXPECT_TRUE(BalloonTexts().empty());  // no countdown
        EXPECT_EQ(MonitorCount("   TIMEOUT"), c.timeoutLine ? 1u : 0u);
        EXPECT_TRUE(view.commandControlsEnabled());
    }
    EXPECT_EQ(RequestCommands(), (std::vector<std::string>{"/8", "/8"}));
}

TEST_F(MemoryTest, PortClosedShowsWarningAndSendsNothing) {
    session->ClosePort();
    view.Clear();
    commands().TestMemory();
    dispatcher.ProcessPending();
    const auto messages = view.CallsOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Предупреждение");
    EXPECT_EQ(messages[0].text, "Начните работу с выбора COM-порта.");
    EXPECT_EQ(messages[0].number, 1);  // warning icon
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_EQ(session->transaction().busy, 0);
    EXPECT_TRUE(line.Written().empty());
}

}  // namespace
}  // namespace tulex::test
