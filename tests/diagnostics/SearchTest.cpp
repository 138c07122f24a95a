// "Поиск контроллеров": every index probed in table order, 300 ms each, the
// map's sets filled by the answers, "Остановить" keeping what was found.

#include "tests/diagnostics/Fixture.h"

#include <algorithm>
#include <set>

#include "controller/LineMap.h"

namespace tulex::test {
namespace {

class Search : public LineFixture {
protected:
    std::size_t Count(const std::string& line) const {
        const auto m = Monitor();
        return static_cast<std::size_t>(std::count(m.begin(), m.end(), line));
    }
    const std::string kDescription = "Поиск контроллеров: Проверка наличия контроллера";
};

// An empty line: 182 requests in table order, each followed by "   TIMEOUT",
// both counters at 0, the selection on the last index.
TEST_F(Search, EmptyLineProbesAll182Indexes) {
    TimeDivisor fast(30);
    session->map().AddIndex(0x50, MapSet::Present);  // found earlier: the search starts afresh
    commands().SearchControllers();
    EXPECT_FALSE(view.commandControlsEnabled());
    ASSERT_TRUE(RunUntilDone(30s));
    dispatcher.ProcessPending();

    const auto requests = player.Requests();
    ASSERT_EQ(requests.size(), 182u);
    for (std::size_t k = 0; k < requests.size(); ++k) {
        const auto index = static_cast<std::uint8_t>(0x47 + k);
        EXPECT_EQ(requests[k].bytes, std::string(4, '\xFF') + std::string(2, static_cast<char>(index)) + "$$02?=") << k;
    }
    EXPECT_EQ(player.Frames().size(), 182u);

    // Every request line is followed by its "   TIMEOUT".
    const auto monitor = Monitor();
    std::size_t k = 0;
    for (std::size_t i = 0; i + 1 < monitor.size(); ++i) {
        if (monitor[i] != Sent(static_cast<std::uint8_t>(0x47 + k), kDescription)) continue;
        EXPECT_EQ(monitor[i + 1], "   TIMEOUT") << k;
        ++k;
    }
    EXPECT_EQ(k, 182u);
    EXPECT_EQ(Count("   TIMEOUT"), 182u);

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
// (grey), the error replies mark nothing, two stay silent. Real limits: an
// answer later than the 300 ms probe would be credited to the next index, as on
// a real line; the error replies keep the search short.
TEST_F(Search, AcknowledgementsAndPositiveRepliesFillBothSets) {
    const std::set<std::uint8_t> acknowledging = {0x47, 0x80, 0xC6, 0xFC};
    const std::set<std::uint8_t> positive = {0x48, 0x98, 0xE0};
    const std::set<std::uint8_t> silent = {0x49, 0xA0};
    player.SetScript([acknowledging, positive, silent](const SeenFrame& f) -> std::string {
        if (acknowledging.count(f.index)) return Ack();
        if (positive.count(f.index)) return Positive();
        if (silent.count(f.index)) return {};
        return ErrorReply();
    });
    commands().SearchControllers();
    ASSERT_TRUE(RunUntilDone(30s));
    dispatcher.ProcessPending();

    EXPECT_EQ(player.Requests().size(), 182u);
    EXPECT_EQ(player.Frames().size(), 182u);  // no buffer clearing in the search
    for (const auto i : LineMap::IndexTable()) {
        EXPECT_EQ(session->map().HasIndex(i, MapSet::Present), acknowledging.count(i) == 1) << int(i);
        EXPECT_EQ(session->map().HasIndex(i, MapSet::ReplyOnly), positive.count(i) == 1) << int(i);
    }
    EXPECT_EQ(view.panel(1), "4");
    EXPECT_EQ(view.panel(2), "3");
    EXPECT_EQ(Count("   TIMEOUT"), 2u);
}

// "Остановить" mid-search: "   CANCEL", the rest is not probed, the cells
// found so far stay.
TEST_F(Search, StopKeepsCellsFound) {
    // Real limits, so that the answers are credited to their own index.
    player.SetScript([](const SeenFrame& f) -> std::string {
        if (f.index < 0x49) return ErrorReply();
        if (f.index == 0x49) return Ack();
        if (f.index == 0x4A) return Positive();
        return {};
    });
    commands().SearchControllers();
    ASSERT_TRUE(RunUntil([&] { return player.Requests().size() >= 8; }, 10s));
    session->StopCommand();
    ASSERT_TRUE(RunUntilDone());
    dispatcher.ProcessPending();
    const std::size_t probed = player.Requests().size();
    EXPECT_GE(probed, 8u);
    EXPECT_LT(probed, 182u);
    const auto monitor = Monitor();
    ASSERT_FALSE(monitor.empty());
    EXPECT_EQ(LastOwnLine(), "   CANCEL");
    EXPECT_EQ(Count("   CANCEL"), 1u);
    EXPECT_TRUE(session->map().HasIndex(0x49, MapSet::Present));
    EXPECT_TRUE(session->map().HasIndex(0x4A, MapSet::ReplyOnly));
    EXPECT_EQ(view.panel(1), "1");
    EXPECT_EQ(view.panel(2), "1");
    EXPECT_EQ(session->map().SelectedIndex(), 0x47 + probed - 1);
    EXPECT_TRUE(view.commandControlsEnabled());
    dispatcher.RunFor(200ms);
    EXPECT_EQ(player.Requests().size(), probed);
}

// The real 300 ms probe: consecutive requests on a silent line are at least
// 300 ms apart (loose lower bound).
TEST_F(Search, ProbeWaitsThreeHundredMillisecondsAtRealSpeed) {
    ASSERT_EQ(TestTimeDivisor(), 1);
    commands().SearchControllers();
    ASSERT_TRUE(RunUntil([&] { return player.Requests().size() >= 3; }, 5s));
    session->StopCommand();
    ASSERT_TRUE(RunUntilDone());
    const auto requests = player.Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_GE(requests[1].at - requests[0].at, 290ms);
    EXPECT_GE(requests[2].at - requests[1].at, 290ms);
}

TEST_F(Search, PortClosedShowsWarningAndLeavesMap) {
    session->map().AddIndex(0x60, MapSet::Present);
    session->ClosePort();
    view.Clear();
    commands().SearchControllers();
    dispatcher.RunFor(50ms);
    ASSERT_EQ(view.CallsOf("message").size(), 1u);
    EXPECT_EQ(view.CallsOf("message")[0].text, "Начните работу с выбора COM-порта.");
    EXPECT_TRUE(view.CallsOf("controls").empty());
    EXPECT_TRUE(session->map().HasIndex(0x60, MapSet::Present));
    EXPECT_TRUE(player.Frames().empty());
}

}  // namespace
}  // namespace tulex::test
