// Presence check, parameter read and index change against controllers
// on the in-memory line: the bytes on the line, the monitor, the
// outcome in the balloon and the map.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

class Queries : public CommandFixture {};

// ---------------------------------------------------------------- presence

TEST_F(Queries, PresenceCheckAcknowledgedClearsTheBufferAndTurnsTheCellGreen) {
    controllers.Add(kG, DoorRegisters());
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$02") + kClear + Poll(kG)));
    // The whole exchange in the monitor; the request is logged before it
    // goes out, so its acknowledgement follows it.
    const auto monitor = Monitor();
    ASSERT_EQ(monitor.size(), 7u);
    EXPECT_EQ(monitor[1], Sent(kG, "Проверка наличия контроллера"));
    EXPECT_EQ(monitor[2], Received("OK"));
    const auto split = MonitorSplit();
    EXPECT_EQ(split.sent,
              (std::vector<std::string>{Sent(kG, "Проверка наличия контроллера"), Sent(kG, "Чистка буфера контроллера"),
                                        Sent(kG, "Запрос контроллера")}));
    EXPECT_EQ(split.other, (std::vector<std::string>{Received("OK"), Received("G:47?"), Received("OK")}));
    const auto b = LastBalloon();
    EXPECT_EQ(b.index, kG);
    EXPECT_EQ(b.caption, "Информация");
    EXPECT_EQ(b.text, "Контроллер есть в линии.");
    EXPECT_EQ(b.colour, kSuccessColour);
    EXPECT_TRUE(session->map().HasIndex(kG, MapSet::Present));
    // The waiting balloon came first.
    const auto balloons = view.CallsOf("balloon");
    ASSERT_EQ(balloons.size(), 2u);
    EXPECT_EQ(balloons[0].text, "Ожидание ответа...");
    EXPECT_EQ(balloons[0].colour, kWaitingColour);
}

TEST_F(Queries, PresenceCheckWithPositiveReplyNeedsNoBufferClearing) {
    controllers.Add(kG, DoorRegisters(), Answer::Positive);
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$02")));
    EXPECT_EQ(LastBalloon().text, "Контроллер есть в линии.");
    EXPECT_EQ(LastBalloon().colour, kSuccessColour);
}

TEST_F(Queries, PresenceCheckErrorReplyRemovesTheIndexFromTheMap) {
    session->map().AddIndex(kG, MapSet::Present);
    controllers.SetAbsent(Answer::Error);
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$02")));
    EXPECT_EQ(Monitor().back(), Received("ERROR"));
    EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
    EXPECT_FALSE(session->map().HasIndex(kG, MapSet::Present));
    EXPECT_FALSE(session->map().HasIndex(kG, MapSet::ReplyOnly));
}

TEST_F(Queries, PresenceCheckSilenceTimesOutAfterTheRealThreeSeconds) {
    commands().CheckPresence();
    const auto started = clock.Now();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(clock.Now() - started, 3s);
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$02")));
    const auto monitor = Monitor();
    ASSERT_FALSE(monitor.empty());
    EXPECT_EQ(monitor.back(), "   TIMEOUT");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
}

TEST_F(Queries, BufferClearingRunsInPassesOfTheReal100MsUntilTheNextAcknowledgement) {
    // The controller acknowledges the request, then ignores two polls and
    // acknowledges the third.
    controllers.Add(kG, DoorRegisters());
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.pollsUnanswered = 2; });
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    std::string expected = Request(kG, "$$02");
    for (int pass = 0; pass < 3; ++pass) expected += kClear + Poll(kG);
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(expected));
    const auto sent = SentDescriptions();
    ASSERT_EQ(sent.size(), 7u);
    for (std::size_t i = 1; i < sent.size(); i += 2) {
        EXPECT_EQ(sent[i], Described(kG, "Чистка буфера контроллера"));
        EXPECT_EQ(sent[i + 1], Described(kG, "Запрос контроллера"));
    }
    // An unanswered pass waits its full 100 ms before the next one.
    std::vector<Clock::TimePoint> clears;
    for (const auto& f : line.Frames())
        if (f.IsPoll(0xFD)) clears.push_back(f.at);
    ASSERT_EQ(clears.size(), 3u);
    EXPECT_EQ(clears[1] - clears[0], 100ms);
    EXPECT_EQ(clears[2] - clears[1], 100ms);
    EXPECT_EQ(LastBalloon().text, "Контроллер есть в линии.");
}

// ---------------------------------------------------------------- parameters

const std::string kDoorReport =
    "Тип и версия: ОРТИН-31 версия 8.5\n"
    "Режим работы: off-line\n\n"
    "Время удержания реле:\n"
    "Реле 1 — INF    Реле 3 — 2.0 с\n"
    "Реле 2 — 0.1 с    Реле 4 — 2.0 с\n\n"
    "Индикация запрета — 2.0 с"
    "\n\nУправление-контроль входов:\n"
    "1   2   3   4   5   6   7   8\n"
    "+  +  —  —  —  +  +  —\n"
    "+  +  —  —  +  +  +  —"
    "\n\nОтпускание реле 1 по датчику — Да\n"
    "Отпускание реле 2 по датчику — Да\n"
    "Блокировка считывателей — Нет";

std::map<std::string, std::string> ReportRegisters() {
    auto r = DoorRegisters();
    r["10"] = "FF";
    r["11"] = "01";
    return r;
}

TEST_F(Queries, ParameterReadShowsTheReportOfTheDataReply) {
    controllers.Add(kG, ReportRegisters());
    commands().ReadParameters();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$02011310111617121819") + kClear + Poll(kG)));
    const auto split = MonitorSplit();
    EXPECT_EQ(split.sent,
              (std::vector<std::string>{Sent(kG, "Чтение параметров контроллера"),
                                        Sent(kG, "Чистка буфера контроллера"), Sent(kG, "Запрос контроллера")}));
    EXPECT_EQ(split.other,
              (std::vector<std::string>{Received("OK"), Received("G:476543FF011414146373?"), Received("OK")}));
    const auto b = LastBalloon();
    EXPECT_EQ(b.index, kG);
    EXPECT_EQ(b.caption, "Параметры контроллера с индексом G");
    EXPECT_EQ(b.text, kDoorReport);
    EXPECT_EQ(b.colour, kReportColour);
}

TEST_F(Queries, ParameterReadWithPositiveReplyTakesTheDataThatFollows) {
    controllers.Add(kG, ReportRegisters(), Answer::Positive);
    commands().ReadParameters();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$02011310111617121819")));
    EXPECT_EQ(LastBalloon().text, kDoorReport);
}

TEST_F(Queries, ParameterReadWithoutDataAfterTheAcknowledgementTimesOutAfterTheRealThreeSeconds) {
    controllers.Add(kG, ReportRegisters());
    controllers.SetWithholdData(kG, true);
    commands().ReadParameters();
    ASSERT_TRUE(RunUntilDone());
    // Request, one clearing pass ended by the poll's "!", then the data wait.
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$02011310111617121819") + kClear + Poll(kG)));
    // The data wait starts at the poll's acknowledgement.
    EXPECT_EQ(clock.Now() - line.Frames().back().at, 3s);
    EXPECT_EQ(Monitor().back(), "   TIMEOUT");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
}

TEST_F(Queries, ParameterReadFailures) {
    // Error reply.
    controllers.SetAbsent(Answer::Error);
    commands().ReadParameters();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
    // Silence.
    controllers.SetAbsent(Answer::Silent);
    commands().ReadParameters();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Monitor().back(), "   TIMEOUT");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    EXPECT_EQ(RequestCommands(), (std::vector<std::string>{"$$02011310111617121819", "$$02011310111617121819"}));
}

TEST_F(Queries, ShortParameterReplyShowsWhatArrived) {
    controllers.Add(kG, ReportRegisters());
    controllers.SetDataOverride(kG, "476543");
    commands().ReadParameters();
    ASSERT_TRUE(RunUntilDone());
    const auto b = LastBalloon();
    EXPECT_EQ(b.colour, kReportColour);
    EXPECT_EQ(b.caption, "Параметры контроллера с индексом G");
    EXPECT_NE(b.text.find("Режим работы: off-line\n"), std::string::npos) << b.text;
    EXPECT_NE(b.text.find("Реле 1 — ?    Реле 3 — ?"), std::string::npos) << b.text;
}

// ---------------------------------------------------------------- index change

TEST_F(Queries, IndexChangeRenamesTheControllerAndDropsTheOldCell) {
    controllers.Add(kG, DoorRegisters());
    session->map().AddIndex(kG, MapSet::Present);
    view.QueueInput("  H  ");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()),
              HexBytes(Request(kH, "$$02") + Request(kG, "$0HH") + Request(kH, "$$02") + kClear + Poll(kH)));
    const std::string probe = "Изменение индекса контроллера G: Проверка наличия контроллера";
    EXPECT_EQ(
        SentDescriptions(),
        (std::vector<std::string>{
            Described(kH, probe), Described(kG, "Изменение индекса контроллера G: Установка индекса H"),
            Described(kH, probe), Described(kH, "Чистка буфера контроллера"), Described(kH, "Запрос контроллера")}));
    const auto monitor = Monitor();
    EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   TIMEOUT"), 1) << "the free index's probe";
    const auto b = LastBalloon();
    EXPECT_EQ(b.text, "Контроллер переименован.");
    EXPECT_EQ(b.colour, kSuccessColour);
    EXPECT_TRUE(controllers.Has(kH));
    EXPECT_FALSE(session->map().HasIndex(kG, MapSet::Present));
    EXPECT_TRUE(session->map().HasIndex(kH, MapSet::Present));
    dispatcher.RunFor(20ms);
    EXPECT_EQ(view.panel(1), "1");
    EXPECT_EQ(view.panel(2), "0");
    // The trimmed text is offered next time.
    view.QueueInput(std::nullopt);
    commands().ChangeIndex();
    EXPECT_EQ(view.lastInputInitial(), "H");
}

TEST_F(Queries, IndexChangeToATakenIndexSendsNoIndexCommand) {
    controllers.Add(kG, DoorRegisters());
    controllers.Add(kH, DoorRegisters());
    view.QueueInput("H");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kH, "$$02") + kClear + Poll(kH)));
    EXPECT_EQ(LastBalloon().text, "Контроллер с индексом H уже есть в линии.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
    EXPECT_TRUE(controllers.Has(kG));
}

TEST_F(Queries, IndexChangeToItsOwnIndexFindsItself) {
    controllers.Add(kG, DoorRegisters(), Answer::Positive);
    view.QueueInput("G");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(RequestCommands(), std::vector<std::string>{"$$02"});
    EXPECT_EQ(LastBalloon().text, "Контроллер с индексом G уже есть в линии.");
}

TEST_F(Queries, IndexCommandNeverAcknowledgedGivesUpAtTheThirdRealOneSecondTimeOut) {
    // The new index is free (error reply from the line); the controller
    // stays silent to the index command.
    controllers.Add(kH, {}, Answer::Error);
    view.QueueInput("H");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(RequestCommands(), (std::vector<std::string>{"$$02", "$0HH", "$0HH", "$0HH"}));
    const auto requests = line.Requests();
    EXPECT_EQ(requests[2].at - requests[1].at, 1s);
    EXPECT_EQ(requests[3].at - requests[2].at, 1s);
    const auto monitor = Monitor();
    EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   TIMEOUT"), 1) << "only the last time-out is logged";
    EXPECT_EQ(monitor.back(), "   TIMEOUT");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
}

TEST_F(Queries, IndexCommandGivesUpAtTheFifteenthErrorReply) {
    controllers.SetAbsent(Answer::Error);
    view.QueueInput("H");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntilDone());
    const auto commandsSent = RequestCommands();
    ASSERT_EQ(commandsSent.size(), 16u);
    EXPECT_EQ(std::count(commandsSent.begin(), commandsSent.end(), "$0HH"), 15);
    EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.");
}

TEST_F(Queries, ErrorRepliesAndTimeOutsAreCountedApart) {
    // 14 error replies and then silence: the third time-out ends it, after
    // 17 index commands in all. The free index H is silent too.
    controllers.Add(kG, DoorRegisters(), Answer::Silent);
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.errorRepliesFirst = 14; });
    view.QueueInput("H");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntilDone());
    const auto sent = RequestCommands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "$0HH"), 17);
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
}

TEST_F(Queries, VerificationAfterTheIndexCommandHasItsOwnLimits) {
    // The index command is acknowledged but nothing answers at the new index.
    controllers.Add(kG, DoorRegisters());
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.keepsIndex = true; });
    view.QueueInput("H");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(RequestCommands(), (std::vector<std::string>{"$$02", "$0HH", "$$02", "$$02", "$$02"}));
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    // No buffer clearing after the index command's acknowledgement.
    for (const auto& f : line.Frames()) EXPECT_EQ(f.kind, LineFrame::Kind::Request);
}

TEST_F(Queries, ClosingTheWindowEndsTheIndexChangeWithoutAnOutcome) {
    // The new index is free; the index command is never answered.
    controllers.Add(kH, {}, Answer::Error);
    view.QueueInput("H");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntil([&] { return line.Requests().size() >= 2; }));
    session->Shutdown();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_LE(line.Requests().size(), 3u);
    // Only the waiting balloon was shown; no failure after the close.
    const auto balloons = view.CallsOf("balloon");
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].text, "Ожидание ответа...");
    EXPECT_FALSE(session->transaction().EventExists(Reply::Ack));
}

}  // namespace
}  // namespace tulex::test
