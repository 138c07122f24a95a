// Plan runs on the in-memory line: the audit reads and compares and never
// writes; the apply writes only what differs, reads every write back, takes
// new controllers from the factory index one by one after checking that
// their target index is silent, fails a row (and goes on) when a controller
// refuses a write or goes silent, stops after the current step, and changes
// nothing on a second run.

#include <gtest/gtest.h>

#include <algorithm>

#include "sim/SimLine.h"
#include "tests/plan/PlanRunFixture.h"

namespace tulex::test {
namespace {

using plan::Difference;
using plan::RowState;

const std::string kRead = "$$02011310111617121819";

class PlanRun : public PlanRunFixture {};

TEST_F(PlanRun, AuditComparesEveryPlannedFieldAndWritesNothing) {
    controllers.Add(kG, DoorRegisters());  // the door with position sensor, card 00001A2B3C
    Registers h = DoorRegisters();
    h["13"] = "03";  // on-line
    h["10"] = "05";
    controllers.Add(kH, h);
    const auto plan =
        MakePlan({Row(kG).Preset(2).Mode(Mode::Offline).Relay(1, "2.0").Card("00001A2B3C"),
                  Row(kH).Preset(2).Mode(Mode::Offline).Relay(1, "2.0").Card("0012345678"), Row(kZhe).Preset(1)});
    const auto results = Run(plan, Audit());
    ASSERT_EQ(results.size(), 3u);

    EXPECT_EQ(results[0].state, RowState::Matched);
    EXPECT_TRUE(results[0].differences.empty());
    ASSERT_TRUE(results[0].parameters);
    EXPECT_EQ(results[0].parameters->index, kG);
    EXPECT_EQ(results[0].masterCard, "00001A2B3C");

    EXPECT_EQ(results[1].state, RowState::Differs);
    EXPECT_EQ(results[1].differences, (std::vector<Difference>{{"mode", "offline", "online"},
                                                               {"relay1", "2.0", "0.5"},
                                                               {"master_card", "0012345678", "00001A2B3C"}}));

    EXPECT_EQ(results[2].state, RowState::Failed);
    EXPECT_EQ(results[2].step, "read");
    EXPECT_EQ(results[2].answer, "timeout");
    EXPECT_EQ(results[2].text, "Время ожидания ответа истекло.");

    EXPECT_TRUE(WritesSince(0).empty()) << "an audit only reads";
    EXPECT_EQ(observer.events, (std::vector<std::string>{"started 0", "ended 0", "started 1", "ended 1", "started 2",
                                                         "ended 2", "run ended"}));
    EXPECT_TRUE(observer.controlsEnabledAtRunEnd);
    EXPECT_EQ(observer.summary->matched, 1u);
    EXPECT_EQ(observer.summary->differs, 1u);
    EXPECT_EQ(observer.summary->failed, 1u);
    EXPECT_FALSE(observer.summary->AllGood());
}

TEST_F(PlanRun, AuditWithoutAPlanReadsEveryPresentController) {
    controllers.Add(kG, DoorRegisters());
    controllers.Add(kZhe);
    session->map().AddIndex(kZhe, MapSet::Present);
    session->map().AddIndex(kG, MapSet::Present);
    const auto plan = plan::PlanOfPresentControllers(session->map());
    ASSERT_EQ(plan.rows.size(), 2u);
    EXPECT_EQ(plan.rows[0].index, kG) << "in index order";
    const auto results = Run(plan, Audit());
    ASSERT_EQ(results.size(), 2u);
    for (const auto& r : results) {
        EXPECT_EQ(r.state, RowState::Matched);
        EXPECT_TRUE(r.parameters);
    }
    EXPECT_EQ(results[1].parameters->mode, 0x40);
    EXPECT_EQ(CommandsSince(0), (std::vector<std::string>{kRead, kRead}));
}

TEST_F(PlanRun, ApplyWritesWhatDiffersReadsEachWriteBackAndASecondRunWritesNothing) {
    controllers.Add(kG, DoorRegisters());  // standard set 2
    controllers.Add(kH);                   // default registers: standard set 1, off-line
    const auto plan =
        MakePlan({Row(kG).Preset(2).Mode(Mode::Online).Relay(3, "1.5"), Row(kH).Preset(5).Mode(Mode::Offline)});
    auto results = Run(plan, Apply());
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(CommandsSince(0),
              (std::vector<std::string>{kRead, "!1303", kRead, "!160F", kRead,  //
                                        kRead, "!1300100F110F161E170A121418FF19FF", kRead, "!1340", kRead}));
    EXPECT_EQ(results[0].state, RowState::Done);
    EXPECT_EQ(results[0].written, (std::vector<std::string>{"mode", "relay3"}));
    EXPECT_EQ(results[0].differences,
              (std::vector<Difference>{{"mode", "online", "offline"}, {"relay3", "1.5", "2.0"}}));
    // The terminal's set writes the on-line mode; the planned off-line
    // follows, keeping the set's option bits.
    EXPECT_EQ(results[1].state, RowState::Done);
    EXPECT_EQ(results[1].written, (std::vector<std::string>{"preset", "mode"}));
    EXPECT_EQ(results[1].differences, (std::vector<Difference>{{"preset", "5", "1"}}));
    EXPECT_EQ(controllers.Register(kG, 13), "03");
    EXPECT_EQ(controllers.Register(kG, 16), "0F");
    EXPECT_EQ(controllers.Register(kH, 13), "40");
    EXPECT_EQ(controllers.Register(kH, 18), "FF");
    ASSERT_TRUE(results[1].parameters);
    EXPECT_EQ(results[1].parameters->mode, 0x40) << "the row keeps what it read back last";
    EXPECT_TRUE(observer.summary->AllGood());

    const std::size_t before = RequestCommands().size();
    results = Run(plan, Apply());
    EXPECT_EQ(results[0].state, RowState::Matched);
    EXPECT_EQ(results[1].state, RowState::Matched);
    EXPECT_EQ(CommandsSince(before), (std::vector<std::string>{kRead, kRead})) << "the second run only reads";
    EXPECT_EQ(observer.summary->matched, 2u);
}

TEST_F(PlanRun, NewControllersComeFromTheFactoryIndexOneByOneAfterTheTargetIsFoundSilent) {
    controllers.Add(kG, DoorRegisters());
    controllers.Add(kFactory);  // default registers: standard set 1
    line.With([](sim::SimLine& l) { return l.QueueController(kFactory); });
    const auto plan = MakePlan({Row(kG).Preset(2), Row(kH).Preset(2).Mode(Mode::Online), Row(kZhe).Preset(1)});
    const auto results = Run(plan, Apply(kFactory));
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].state, RowState::Matched);
    EXPECT_EQ(results[1].state, RowState::Done);
    EXPECT_EQ(results[1].renamedFrom, kFactory);
    EXPECT_EQ(results[1].written, (std::vector<std::string>{"index", "preset", "mode"}));
    EXPECT_EQ(results[2].state, RowState::Done) << results[2].text;
    EXPECT_EQ(results[2].written, (std::vector<std::string>{"index"}));
    EXPECT_TRUE(controllers.Has(kH));
    EXPECT_TRUE(controllers.Has(kZhe));
    EXPECT_FALSE(controllers.Has(kFactory));
    EXPECT_EQ(controllers.Register(kH, 13), "03");

    // Before each index command, its target was asked and did not answer.
    const auto requests = line.Requests();
    int changes = 0;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (!requests[i].command.starts_with("$0")) continue;
        ++changes;
        const std::uint8_t target = static_cast<std::uint8_t>(requests[i].command[2]);
        EXPECT_EQ(requests[i].index, kFactory);
        ASSERT_GT(i, 0u);
        EXPECT_EQ(requests[i - 1].index, target);
        EXPECT_EQ(requests[i - 1].command, "$$02");
    }
    EXPECT_EQ(changes, 2);
    const auto asked = std::find_if(observer.progress.begin(), observer.progress.end(),
                                    [](const auto& p) { return p.second.starts_with("Подключите"); });
    ASSERT_NE(asked, observer.progress.end());
    EXPECT_EQ(asked->second, "Подключите новый контроллер (заводской индекс ь)");
    EXPECT_EQ(asked->first, 1u) << "asked in the row of H";
}

TEST_F(PlanRun, ATargetIndexThatAnswersLateNeverGetsASecondController) {
    controllers.Add(kH, DoorRegisters());
    controllers.Change(kH, [](sim::ControllerBehaviour& b) { b.errorRepliesFirst = 1; });  // the first read fails
    controllers.Add(kFactory);
    const auto results = Run(MakePlan({Row(kH).Preset(2)}), Apply(kFactory));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].state, RowState::Failed);
    EXPECT_EQ(results[0].step, "index");
    EXPECT_EQ(results[0].text, "Контроллер с индексом H уже есть в линии.");
    EXPECT_TRUE(WritesSince(0).empty());
    EXPECT_TRUE(controllers.Has(kFactory));
}

TEST_F(PlanRun, ARefusedWriteAndAControllerGoneSilentFailOnlyTheirRows) {
    controllers.Add(kG);
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.refusesWrites = true; });
    controllers.Add(kH);
    // The read (its request and the poll that hands the data over) is
    // answered, the write is not.
    controllers.Change(kH, [](sim::ControllerBehaviour& b) { b.framesBeforeSilence = 2; });
    controllers.Add(kZhe, DoorRegisters());
    const auto plan = MakePlan({Row(kG).Preset(2), Row(kH).Preset(2), Row(kZhe).Preset(2)});
    const auto results = Run(plan, Apply());
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].state, RowState::Failed);
    EXPECT_EQ(results[0].step, "preset");
    EXPECT_EQ(results[0].answer, "#");
    EXPECT_EQ(results[0].text, "Контроллер не принял запись (ответ «#»).");
    EXPECT_TRUE(results[0].written.empty());
    EXPECT_EQ(results[1].state, RowState::Failed);
    EXPECT_EQ(results[1].step, "preset");
    EXPECT_EQ(results[1].answer, "timeout");
    EXPECT_EQ(results[2].state, RowState::Matched);
    EXPECT_EQ(observer.summary->failed, 2u);
    EXPECT_EQ(observer.summary->matched, 1u);
}

TEST_F(PlanRun, AControllerSilentAfterItsAcknowledgementDoesNotHoldTheRun) {
    // "!" to the read, then nothing: the buffer clearing gives up as a
    // time-out instead of asking for ever, and the next row still runs.
    controllers.Add(kG);
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.framesBeforeSilence = 1; });
    controllers.Add(kH, DoorRegisters());
    const auto results = Run(MakePlan({Row(kG).Preset(2), Row(kH).Preset(2)}), Apply());
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].state, RowState::Failed);
    EXPECT_EQ(results[0].answer, "timeout");
    EXPECT_TRUE(results[0].written.empty());
    EXPECT_EQ(results[1].state, RowState::Matched);
}

TEST_F(PlanRun, StopEndsAfterTheIndexChangeNotInsideIt) {
    controllers.Add(kFactory);
    // Its answers take time (less than a buffer-clearing pass), so the stop
    // comes while the index command waits for its answer.
    controllers.Change(kFactory, [](sim::ControllerBehaviour& b) { b.delayMs = 50; });
    const auto plan = MakePlan({Row(kH).Preset(2), Row(kZhe).Preset(2)});
    Start(plan, Apply(kFactory));
    ASSERT_TRUE(RunUntil([&] {
        const auto r = RequestCommands();
        return std::find(r.begin(), r.end(), "$0HH") != r.end();
    }));
    run->Stop();
    ASSERT_TRUE(RunUntil([&] { return observer.summary.has_value(); }));
    const auto& results = observer.results;
    ASSERT_EQ(results.size(), 2u);
    EXPECT_TRUE(controllers.Has(kH)) << "the index change was finished";
    EXPECT_EQ(results[0].state, RowState::Skipped);
    EXPECT_EQ(results[0].step, "preset");
    EXPECT_EQ(results[0].written, (std::vector<std::string>{"index"}));
    EXPECT_EQ(results[0].text, "Остановлено оператором.");
    EXPECT_EQ(results[1].state, RowState::Skipped);
    EXPECT_EQ(WritesSince(0), (std::vector<std::string>{"$0HH"}));
    EXPECT_EQ(observer.summary->skipped, 2u);
    EXPECT_TRUE(view.commandControlsEnabled());
}

TEST_F(PlanRun, StopEndsTheWaitForANewController) {
    Start(MakePlan({Row(kH).Preset(2)}), Apply(kFactory));
    ASSERT_TRUE(RunUntil([&] {
        const auto r = line.Requests();
        return std::count_if(r.begin(), r.end(), [](const LineFrame& f) { return f.index == kFactory; }) >= 3;
    }));
    run->Stop();
    ASSERT_TRUE(RunUntil([&] { return observer.summary.has_value(); }));
    EXPECT_EQ(observer.results.at(0).state, RowState::Skipped);
    EXPECT_EQ(observer.results.at(0).step, "connect");
}

TEST_F(PlanRun, TheMainWindowsStopButtonStopsTheWholeRun) {
    Start(MakePlan({Row(kH).Preset(2), Row(kZhe).Preset(2)}), Apply(kFactory));
    ASSERT_TRUE(RunUntil(
        [&] { return !observer.progress.empty() && observer.progress.back().second.starts_with("Подключите"); }));
    session->StopCommand();  // "Остановить"
    ASSERT_TRUE(RunUntil([&] { return observer.summary.has_value(); }));
    EXPECT_EQ(observer.results.at(0).state, RowState::Skipped);
    EXPECT_EQ(observer.results.at(1).state, RowState::Skipped) << "not waited for in its turn";
    EXPECT_EQ(observer.summary->skipped, 2u);
}

TEST_F(PlanRun, TheMasterCardIsWaitedForAndReadBack) {
    controllers.Add(kG);  // card 00001A2B3C
    Start(MakePlan({Row(kG).Card("0012345678")}), Apply());
    ASSERT_TRUE(
        RunUntil([&] { return line.With([](sim::SimLine& l) { return l.Find(kG)->WaitingForMasterCard(); }); }));
    EXPECT_EQ(observer.progress.back().second, "Поднесите мастер-карту 0012345678 к считывателю контроллера G");
    line.With([](sim::SimLine& l) { return l.Find(kG)->PresentMasterCard("0012345678"); });
    ASSERT_TRUE(RunUntil([&] { return observer.summary.has_value(); }));
    const auto& result = observer.results.at(0);
    EXPECT_EQ(result.state, RowState::Done) << result.text;
    EXPECT_EQ(result.written, (std::vector<std::string>{"master_card"}));
    EXPECT_EQ(result.masterCard, "0012345678");
    EXPECT_EQ(WritesSince(0), (std::vector<std::string>{"$4"}));
}

TEST_F(PlanRun, AMasterCardNeverPresentedFailsItsRowAfterTheWait) {
    controllers.Add(kG);
    const auto results = Run(MakePlan({Row(kG).Card("0012345678")}), Apply());
    EXPECT_EQ(results.at(0).state, RowState::Failed);
    EXPECT_EQ(results.at(0).step, "master_card");
    EXPECT_EQ(results.at(0).text, "Мастер-карта не поднесена: прочитан номер 00001A2B3C.");
    // The controller waits only its own time for a card (3 s): it was set
    // to wait again and again.
    EXPECT_GT(WritesSince(0).size(), 5u);
}

TEST_F(PlanRun, APortClosedMidRunSkipsTheRowsLeft) {
    controllers.Add(kG);
    controllers.Add(kZhe);
    Start(MakePlan({Row(kG).Preset(1), Row(kH).Preset(1), Row(kZhe).Preset(1)}), Apply());
    ASSERT_TRUE(RunUntil([&] { return observer.events.size() >= 3; }));  // the row of H has started
    session->ClosePort();
    ASSERT_TRUE(RunUntil([&] { return observer.summary.has_value(); }));
    const auto& results = observer.results;
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].state, RowState::Matched);
    EXPECT_EQ(results[1].state, RowState::Skipped);
    EXPECT_EQ(results[1].text, "Порт закрыт.");
    EXPECT_EQ(results[2].state, RowState::Skipped);
    EXPECT_EQ(results[2].text, "Порт закрыт.");
    EXPECT_TRUE(view.commandControlsEnabled());
}

TEST_F(PlanRun, DoesNotStartBesideAnotherCommandOrWithThePortClosed) {
    controllers.Add(kG);
    commands().CheckPresence();
    plan::PlanRun second(*session);
    EXPECT_FALSE(second.Start(MakePlan({Row(kG)}), Audit(), observer));
    ASSERT_TRUE(RunUntilDone());
    session->ClosePort();
    view.Clear();
    EXPECT_FALSE(second.Start(MakePlan({Row(kG)}), Audit(), observer));
    const auto messages = view.CallsOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Начните работу с выбора COM-порта.");
}

}  // namespace
}  // namespace tulex::test
