// "Поиск контроллеров" on the in-memory line: every index probed in table
// order, 300 ms each on the clock, the map's sets filled by the answers,
// "Остановить" keeping what was found; the progress as it goes and the
// summary at the end.

#include <cstdio>
#include <set>

#include "controller/LineMap.h"
#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

class Search : public CommandFixture {
protected:
    // A unit that gives only the positive reply to the presence request: it
    // answers, but hands over no data that would name its index.
    void PositiveOnly(std::uint8_t index) {
        controllers.Add(index, {}, Answer::Positive);
        controllers.Change(index, [](sim::ControllerBehaviour& b) { b.noDataAfterAck = true; });
    }
    const std::string kDescription = "Поиск контроллеров: Проверка наличия контроллера";
};

// An empty line: 182 requests in table order, 300 ms apart, each followed by
// "   TIMEOUT", both counters at 0, the selection on the last index.
TEST_F(Search, EmptyLineProbesAll182IndexesThreeHundredMillisecondsEach) {
    session->map().AddIndex(0x50, MapSet::Present);  // found earlier: the search starts afresh
    const auto started = clock.Now();
    commands().SearchControllers();
    EXPECT_FALSE(view.commandControlsEnabled());
    ASSERT_TRUE(RunUntilDone());
    dispatcher.ProcessPending();
    EXPECT_EQ(clock.Now() - started, 182 * 300ms);

    const auto frames = line.Frames();
    ASSERT_EQ(frames.size(), 182u);
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const auto index = static_cast<std::uint8_t>(0x47 + k);
        EXPECT_EQ(frames[k].bytes, std::string(4, '\xFF') + std::string(2, static_cast<char>(index)) + "$$02?=") << k;
        EXPECT_EQ(frames[k].at - started, static_cast<int>(k) * 300ms) << k;
    }

    // Every request line is followed by its "   TIMEOUT"; the summary ends them.
    const auto monitor = Monitor();
    ASSERT_EQ(monitor.size(), 2 + 2 * 182u);
    for (std::size_t k = 0; k < 182; ++k) {
        EXPECT_EQ(monitor[1 + 2 * k], Sent(static_cast<std::uint8_t>(0x47 + k), kDescription)) << k;
        EXPECT_EQ(monitor[2 + 2 * k], "   TIMEOUT") << k;
    }
    EXPECT_EQ(monitor.back(), "   Поиск завершен: в линии 0, только ответ 0, проверено 182 из 182, 54,6 с");

    EXPECT_EQ(session->map().Count(MapSet::Present), 0u);
    EXPECT_EQ(session->map().Count(MapSet::ReplyOnly), 0u);
    EXPECT_EQ(view.panel(1), "0");
    EXPECT_EQ(view.panel(2), "0");
    EXPECT_EQ(session->map().SelectedIndex(), 0xFC);
    EXPECT_TRUE(view.commandControlsEnabled());
    EXPECT_EQ(session->transaction().busy, 0);
    EXPECT_FALSE(session->transaction().EventExists(Reply::Ack));
    EXPECT_TRUE(session->transaction().commandList.empty());
    // The balloon and the sensor pop-up went when the search started.
    EXPECT_FALSE(view.CallsOf("removeBalloon").empty());
    EXPECT_FALSE(view.CallsOf("removeSensor").empty());
}

// Some controllers acknowledge (green), some give only the positive reply
// (grey), the error replies of every empty index mark nothing, two stay
// silent. Only the silent ones use up their 300 ms.
TEST_F(Search, AcknowledgementsAndPositiveRepliesFillBothSets) {
    const std::set<std::uint8_t> acknowledging = {0x47, 0x80, 0xC6, 0xFC};
    const std::set<std::uint8_t> positive = {0x48, 0x98, 0xE0};
    const std::set<std::uint8_t> silent = {0x49, 0xA0};
    for (const auto i : acknowledging) controllers.Add(i);
    for (const auto i : positive) PositiveOnly(i);
    for (const auto i : silent) controllers.Add(i, {}, Answer::Silent);
    controllers.SetAbsent(Answer::Error);
    const auto started = clock.Now();
    commands().SearchControllers();
    ASSERT_TRUE(RunUntilDone());
    dispatcher.ProcessPending();

    EXPECT_EQ(line.Requests().size(), 182u);
    EXPECT_EQ(line.Frames().size(), 182u) << "no buffer clearing in the search";
    EXPECT_EQ(clock.Now() - started, 2 * 300ms);
    for (const auto i : LineMap::IndexTable()) {
        EXPECT_EQ(session->map().HasIndex(i, MapSet::Present), acknowledging.count(i) == 1) << int(i);
        EXPECT_EQ(session->map().HasIndex(i, MapSet::ReplyOnly), positive.count(i) == 1) << int(i);
    }
    EXPECT_EQ(view.panel(1), "4");
    EXPECT_EQ(view.panel(2), "3");
    EXPECT_EQ(MonitorCount("   TIMEOUT"), 2u);

    // "Поиск: N из 182" counting up at the screen's pace (each update shows
    // the count as it is when it runs; counts between two are skipped),
    // cleared at the end.
    const auto progress = view.CallsOf("progress");
    ASSERT_GE(progress.size(), 2u);
    std::size_t last = 0;
    for (std::size_t i = 0; i + 1 < progress.size(); ++i) {
        std::size_t n = 0;
        ASSERT_EQ(std::sscanf(progress[i].text.c_str(), "Поиск: %zu из 182", &n), 1) << progress[i].text;
        EXPECT_GT(n, last) << progress[i].text;
        EXPECT_LE(n, 182u) << progress[i].text;
        last = n;
    }
    EXPECT_EQ(progress.back().text, "");
    // The summary in the balloon at the last cell probed, in the report colour.
    const auto balloon = LastBalloon();
    EXPECT_EQ(balloon.caption, "Поиск завершен");
    EXPECT_EQ(balloon.text, "В линии: 4\nТолько ответ: 3\nПроверено: 182 из 182\nВремя: 0,6 с");
    EXPECT_EQ(balloon.colour, kReportColour);
    EXPECT_EQ(balloon.index, 0xFC);
    EXPECT_EQ(Monitor().back(), "   Поиск завершен: в линии 4, только ответ 3, проверено 182 из 182, 0,6 с");
    const auto summary = commands().LastSearch();
    ASSERT_TRUE(summary.has_value());
    EXPECT_EQ(summary->present, 4u);
    EXPECT_EQ(summary->replyOnly, 3u);
    EXPECT_EQ(summary->duration, 600ms);
}

// The line's own controllers, answering as a freshly installed unit does, are
// found and nothing else; every other index waits its full 300 ms.
TEST_F(Search, FindsTheLinesControllersAndNothingElse) {
    for (const std::uint8_t index : {0x47, 0xC6, 0xFC}) controllers.Add(index);
    const auto started = clock.Now();
    commands().SearchControllers();
    ASSERT_TRUE(RunUntilDone());
    dispatcher.ProcessPending();

    for (const std::uint8_t index : {0x47, 0xC6, 0xFC})
        EXPECT_TRUE(session->map().HasIndex(index, MapSet::Present)) << int{index};
    EXPECT_EQ(session->map().Count(MapSet::Present), 3u);
    EXPECT_EQ(view.panel(1), "3");
    EXPECT_EQ(view.panel(2), "0");
    const auto requests = line.Requests();
    ASSERT_EQ(requests.size(), 182u);
    EXPECT_EQ(clock.Now() - started, 179 * 300ms);
    EXPECT_EQ(requests[1].at - requests[0].at, 0ms) << "G answered at once";
    EXPECT_EQ(requests[2].at - requests[1].at, 300ms) << "nobody at H";
}

// "Остановить" mid-search: "   CANCEL", the rest is not probed, the cells
// found so far stay.
TEST_F(Search, StopKeepsCellsFound) {
    controllers.Add(0x47, {}, Answer::Error);
    controllers.Add(0x48, {}, Answer::Error);
    controllers.Add(0x49);
    PositiveOnly(0x4A);
    commands().SearchControllers();
    ASSERT_TRUE(RunUntilWaiting([&] { return line.Requests().size() >= 8; }));
    const auto stoppedAt = clock.Now();
    Stop();
    ASSERT_TRUE(RunUntilDone());
    dispatcher.ProcessPending();
    EXPECT_EQ(clock.Now(), stoppedAt) << "the probe's wait ends at the stop";
    ASSERT_EQ(line.Requests().size(), 8u);
    // The summary of what was probed before the stop follows "   CANCEL".
    const auto monitor = Monitor();
    ASSERT_GE(monitor.size(), 2u);
    EXPECT_EQ(monitor[monitor.size() - 2], "   CANCEL");
    EXPECT_EQ(monitor.back(), "   Поиск завершен: в линии 1, только ответ 1, проверено 8 из 182, 0,9 с");
    EXPECT_EQ(LastBalloon().text, "В линии: 1\nТолько ответ: 1\nПроверено: 8 из 182\nВремя: 0,9 с");
    EXPECT_EQ(MonitorCount("   CANCEL"), 1u);
    EXPECT_EQ(MonitorCount("   TIMEOUT"), 3u) << "the silent indexes probed before the stop";
    EXPECT_TRUE(session->map().HasIndex(0x49, MapSet::Present));
    EXPECT_TRUE(session->map().HasIndex(0x4A, MapSet::ReplyOnly));
    EXPECT_EQ(view.panel(1), "1");
    EXPECT_EQ(view.panel(2), "1");
    EXPECT_EQ(session->map().SelectedIndex(), 0x47 + 7);
    EXPECT_TRUE(view.commandControlsEnabled());
    clock.Advance(5s);
    dispatcher.ProcessPending();
    EXPECT_EQ(line.Requests().size(), 8u);
}

TEST_F(Search, PortClosedShowsWarningAndLeavesMap) {
    session->map().AddIndex(0x60, MapSet::Present);
    session->ClosePort();
    view.Clear();
    commands().SearchControllers();
    dispatcher.ProcessPending();
    ASSERT_EQ(view.CallsOf("message").size(), 1u);
    EXPECT_EQ(view.CallsOf("message")[0].text, "Начните работу с выбора COM-порта.");
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_TRUE(session->map().HasIndex(0x60, MapSet::Present));
    EXPECT_TRUE(line.Written().empty());
    EXPECT_FALSE(commands().LastSearch().has_value());
}

// The port lost during the search: no summary (nothing was finished), the
// progress is cleared.
TEST_F(Search, NoSummaryWhenThePortClosesMidSearch) {
    commands().SearchControllers();
    ASSERT_TRUE(RunUntilWaiting([&] { return line.Requests().size() >= 3; }));
    session->ClosePort();
    ASSERT_TRUE(RunUntilDone());
    dispatcher.ProcessPending();
    EXPECT_TRUE(view.CallsOf("balloon").empty());
    EXPECT_FALSE(commands().LastSearch().has_value());
    EXPECT_EQ(MonitorCount("   TIMEOUT"), 2u);
    ASSERT_FALSE(view.CallsOf("progress").empty());
    EXPECT_EQ(view.CallsOf("progress").back().text, "");
}

}  // namespace
}  // namespace tulex::test
