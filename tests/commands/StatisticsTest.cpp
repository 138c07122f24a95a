// Per-controller statistics: what the engine counts for each index while
// commands run and the line talks, with reply times measured on the test's
// clock; and the counting rules themselves on a bare LineStatistics.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>
#include <utility>
#include <vector>

#include "controller/StatisticsText.h"
#include "line/LocalTime.h"
#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

using Kind = HeardKind;

class Statistics : public CommandFixture {
protected:
    ControllerFigures Of(std::uint8_t index) { return session->statistics().Of(index); }
    // Puts bytes on the line and waits until the receive thread routed them.
    void Hear(const std::string& bytes) {
        line.Inject(bytes);
        ASSERT_TRUE(dispatcher.RunUntil([this] { return line.ReaderIdle(); }, 10s));
    }
};

TEST_F(Statistics, PresenceCheckCountsRequestsRepliesAndTheirTimeOnTheLinesClock) {
    controllers.Add(kG, DoorRegisters());
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.delayMs = 40; });
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    // "$$02" acknowledged, then the buffer cleared: the short frame of G
    // hands over "G:47?" and "!". The buffer-clearing frame asks nothing.
    const ControllerFigures g = Of(kG);
    EXPECT_EQ(g.requests, 2u);
    EXPECT_EQ(g.Received(Kind::Ack), 2u);
    EXPECT_EQ(g.Received(Kind::Data), 1u);
    EXPECT_EQ(g.ReceivedTotal(), 3u);
    EXPECT_EQ(g.timeouts, 0u);
    ASSERT_EQ(g.timedReplies, 2u);
    EXPECT_EQ(g.ReplyMinMs(), 40.0);
    EXPECT_EQ(g.ReplyMeanMs(), 40.0);
    EXPECT_EQ(g.ReplyMaxMs(), 40.0);
    ASSERT_TRUE(g.lastHeard.has_value());
    EXPECT_EQ(g.lastKind, Kind::Ack);
    EXPECT_EQ(*g.lastHeard, line.Frames().back().at + 40ms) << "the last acknowledgement, 40 ms after the poll";
    // Only the index addressed is listed.
    const auto all = session->statistics().Snapshot();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].index, kG);
}

TEST_F(Statistics, SilenceCountsATimeOutAndNoReplyTime) {
    controllers.SetAbsent(Answer::Silent);
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    const ControllerFigures g = Of(kG);
    EXPECT_EQ(g.requests, 1u);
    EXPECT_EQ(g.timeouts, 1u);
    EXPECT_EQ(g.ReceivedTotal(), 0u);
    EXPECT_FALSE(g.lastHeard.has_value());
    EXPECT_FALSE(g.ReplyMeanMs().has_value());
    EXPECT_EQ(session->statistics().Snapshot().size(), 1u) << "addressed, so listed";
}

TEST_F(Statistics, TheMonitorFilterSeesACommandsLinesAsItsControllers) {
    controllers.Add(kG, DoorRegisters());
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    Hear("H;123456789000?!");  // an event and a stray acknowledgement, no command running
    const TrafficLog& monitor = session->monitor();
    std::vector<std::pair<MonitorLineKind, std::uint8_t>> tags;
    for (std::size_t i = 0; i < monitor.Count(); ++i) tags.emplace_back(monitor.Tag(i).kind, monitor.Tag(i).index);
    using K = MonitorLineKind;
    // Opened; request, OK; clearing, poll, data, OK (the short frames are
    // logged after they are written, so their answers may come first).
    ASSERT_EQ(tags.size(), 9u);
    EXPECT_EQ(tags[0], std::pair(K::Other, std::uint8_t{0}));
    const std::multiset<std::pair<K, std::uint8_t>> command(tags.begin() + 1, tags.begin() + 7);
    const std::multiset<std::pair<K, std::uint8_t>> expected{{K::Sent, kG},  {K::Sent, kG},  {K::Sent, kG},
                                                             {K::Reply, kG}, {K::Reply, kG}, {K::Received, kG}};
    EXPECT_EQ(command, expected);
    EXPECT_EQ(tags[7], std::pair(K::Card, kH));
    EXPECT_EQ(tags[8], std::pair(K::Reply, std::uint8_t{0})) << "no command: nobody's";
}
TEST_F(Statistics, ErrorReplyCountsForTheAddressedController) {
    controllers.SetAbsent(Answer::Error);
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    const ControllerFigures g = Of(kG);
    EXPECT_EQ(g.Received(Kind::Error), 1u);
    EXPECT_EQ(g.lastKind, Kind::Error);
    EXPECT_EQ(g.timedReplies, 1u);
    EXPECT_EQ(g.ReplyMinMs(), 0.0) << "the model answers at once";
}

TEST_F(Statistics, FramesThatNameTheirIndexCountForItWithoutARequest) {
    struct Case {
        const char* name;
        std::string bytes;
        Kind kind;
        bool heard;              // a poll is the converter asking, not the controller speaking
        std::uint64_t requests;  // a sensor event gets the automatic answer "+"
    };
    const Case cases[] = {
        {"card event", "H;123456789000?", Kind::Card, true, 0},
        {"channel card event", "H1;123456789000?", Kind::Card, true, 0},
        {"sensor event", "H0A?", Kind::Sensor, true, 1},
        {"data reply", "H:47?", Kind::Data, true, 0},
        {"poll", "H?", Kind::Poll, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session->statistics().Reset();
        Hear(c.bytes);
        const ControllerFigures h = Of(kH);
        EXPECT_EQ(h.Received(c.kind), 1u);
        EXPECT_EQ(h.ReceivedTotal(), 1u);
        EXPECT_EQ(h.requests, c.requests);
        EXPECT_EQ(h.lastHeard.has_value(), c.heard);
        if (c.heard) {
            EXPECT_EQ(h.lastKind, c.kind);
        }
        EXPECT_EQ(session->statistics().Snapshot().size(), 1u);
    }
}

TEST_F(Statistics, ARepliesWithoutARequestBelongToNobody) {
    Hear("!$?#?");
    EXPECT_TRUE(session->statistics().Snapshot().empty());
}

// ------------------------------------------------------------ counting rules

class StatisticsRules : public ::testing::Test {
protected:
    ManualClock clock;
    LineStatistics stats{clock, 3000ms};
};

TEST_F(StatisticsRules, ReplyTimeRunsToTheFirstByteOfTheAnsweringFrame) {
    stats.RequestWritten(kG);
    clock.Advance(10ms);
    stats.FrameStarted();  // another controller's card event comes first
    clock.Advance(30ms);
    stats.Heard(kH, Kind::Card);
    clock.Advance(5ms);
    stats.FrameStarted();  // G's data reply begins 45 ms after the request
    clock.Advance(20ms);   // and takes 20 ms on the wire
    stats.Heard(kG, Kind::Data);
    const ControllerFigures g = stats.Of(kG);
    ASSERT_EQ(g.timedReplies, 1u);
    EXPECT_EQ(g.ReplyMinMs(), 45.0);
    // The acknowledgement after the data is G's too, but the request's
    // answer was timed already.
    stats.FrameStarted();
    stats.ReplyHeard(Kind::Ack);
    EXPECT_EQ(stats.Of(kG).Received(Kind::Ack), 1u);
    EXPECT_EQ(stats.Of(kG).timedReplies, 1u);
    EXPECT_EQ(stats.Of(kH).timedReplies, 0u);
}

TEST_F(StatisticsRules, MinMeanAndMaxOverSeveralRequests) {
    for (const auto delay : {10ms, 30ms, 80ms}) {
        stats.RequestWritten(kG);
        clock.Advance(delay);
        stats.FrameStarted();
        stats.ReplyHeard(Kind::Positive);
    }
    const ControllerFigures g = stats.Of(kG);
    EXPECT_EQ(g.requests, 3u);
    EXPECT_EQ(g.Received(Kind::Positive), 3u);
    EXPECT_EQ(g.ReplyMinMs(), 10.0);
    EXPECT_EQ(g.ReplyMeanMs(), 40.0);
    EXPECT_EQ(g.ReplyMaxMs(), 80.0);
}

TEST_F(StatisticsRules, AReplyAfterTheWindowOrAfterATimeOutIsNotTimed) {
    stats.RequestWritten(kG);
    clock.Advance(3001ms);
    stats.FrameStarted();
    stats.ReplyHeard(Kind::Ack);
    EXPECT_EQ(stats.Of(kG).Received(Kind::Ack), 0u) << "too late to be G's";

    stats.RequestWritten(kG);
    clock.Advance(300ms);
    stats.TimedOut(kG);
    clock.Advance(10ms);
    stats.FrameStarted();
    stats.ReplyHeard(Kind::Ack);
    const ControllerFigures g = stats.Of(kG);
    EXPECT_EQ(g.timeouts, 1u);
    EXPECT_EQ(g.Received(Kind::Ack), 1u) << "still within the window: G's late answer";
    EXPECT_EQ(g.timedReplies, 0u) << "a time-out has no reply time";
}

TEST_F(StatisticsRules, TheConverterIsAddressedButNotListed) {
    stats.RequestWritten(kG);
    stats.RequestWritten(0xFE);
    stats.ReplyHeard(Kind::Positive);  // the converter's answer, not G's
    EXPECT_EQ(stats.Of(kG).Received(Kind::Positive), 0u);
    const auto all = stats.Snapshot();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].index, kG);
}

TEST_F(StatisticsRules, ResetForgetsEverything) {
    stats.RequestWritten(kG);
    stats.Heard(kH, Kind::Card);
    const auto before = stats.Version();
    stats.Reset();
    EXPECT_NE(stats.Version(), before);
    EXPECT_TRUE(stats.Snapshot().empty());
    stats.ReplyHeard(Kind::Ack);
    EXPECT_EQ(stats.Of(kG).Received(Kind::Ack), 0u) << "no request is remembered";
}

TEST_F(StatisticsRules, TextsShowTheFiguresAsTulexCliPrintsThem) {
    stats.RequestWritten(0x5C);  // the index that is a backslash in JSON
    clock.Advance(12ms);
    stats.FrameStarted();
    stats.Heard(0x5C, Kind::Data);
    stats.Heard(0xC6, Kind::Sensor);  // Ж
    const auto all = stats.Snapshot();
    const std::string json = StatisticsJson(all, clock);
    EXPECT_NE(json.find("\"\\\\\": {\"last_heard\": \""), std::string::npos) << json;
    EXPECT_NE(json.find("\"received\": {\"ack\": 0, \"positive\": 0, \"error\": 0, \"data\": 1, \"card\": 0, "
                        "\"sensor\": 0, \"poll\": 0}, \"requests\": 1, \"timeouts\": 0, \"reply_ms\": {\"min\": "
                        "12.000, \"mean\": 12.000, \"max\": 12.000}}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"Ж\": {"), std::string::npos) << json;
    EXPECT_NE(json.find("\"reply_ms\": {\"min\": null, \"mean\": null, \"max\": null}"), std::string::npos) << json;

    const std::string csv = StatisticsCsv(all, clock);
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBFindex;last_heard;last_kind;ack;positive;error;data;card;sensor;poll;requests;"
                        "timeouts;reply_min_ms;reply_mean_ms;reply_max_ms\r\n",
                        0),
              0u)
        << csv;
    EXPECT_NE(csv.find(";data;0;0;0;1;0;0;0;1;0;12.000;12.000;12.000\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\nЖ;"), std::string::npos) << csv;
}

// The windows' table: G answered once in 12 ms, H was asked twice in vain,
// Ж sent a card event unasked.
TEST_F(StatisticsRules, TheWindowsTableShowsAndSortsByTheFiguresNotTheirText) {
    stats.RequestWritten(kG);
    clock.Advance(12ms);
    stats.FrameStarted();
    stats.Heard(kG, Kind::Data);
    stats.RequestWritten(kH);
    stats.TimedOut(kH);
    stats.RequestWritten(kH);
    stats.TimedOut(kH);
    clock.Advance(5ms);
    stats.Heard(0xC6, Kind::Card);
    const auto all = stats.Snapshot();
    ASSERT_EQ(all.size(), 3u);
    const ControllerFigures &g = all[0], &h = all[1], &zh = all[2];
    ASSERT_EQ(zh.index, 0xC6);
    using C = StatisticsColumn;
    struct Cell {
        const ControllerFigures* row;
        C column;
        const char* text;
    };
    const Cell cells[] = {
        {&g, C::Index, "G"},     {&zh, C::Index, "Ж"},      {&g, C::LastKind, "данные"}, {&h, C::LastKind, "—"},
        {&h, C::LastHeard, "—"}, {&g, C::Data, "1"},        {&zh, C::Cards, "1"},        {&h, C::Requests, "2"},
        {&h, C::Timeouts, "2"},  {&g, C::ReplyMin, "12.0"}, {&g, C::ReplyMax, "12.0"},   {&h, C::ReplyMean, "—"},
    };
    for (const Cell& c : cells)
        EXPECT_EQ(StatisticsCell(*c.row, c.column, clock), c.text) << StatisticsHeader(c.column);
    EXPECT_EQ(StatisticsCell(g, C::LastHeard, clock).size(), 12u) << "HH:MM:SS.mmm";
    EXPECT_EQ(StatisticsHeader(C::ReplyMean), "Ответ сред, мс");
    EXPECT_EQ(StatisticsHint(C::Timeouts), "Запросы без ответа");
    EXPECT_TRUE(StatisticsAlignedLeft(C::LastKind));
    EXPECT_FALSE(StatisticsAlignedLeft(C::Acks));

    // Each column's upward order; what is unknown (never heard, no reply
    // time) comes first, and numbers sort as numbers.
    struct Order {
        C column;
        std::vector<std::uint8_t> indexes;
    };
    const Order orders[] = {
        {C::Index, {kG, kH, 0xC6}},    {C::LastHeard, {kH, kG, 0xC6}}, {C::LastKind, {kH, kG, 0xC6}},
        {C::Data, {kH, 0xC6, kG}},     {C::Cards, {kG, kH, 0xC6}},     {C::Requests, {0xC6, kG, kH}},
        {C::Timeouts, {kG, 0xC6, kH}}, {C::ReplyMean, {kH, 0xC6, kG}},
    };
    for (const Order& o : orders) {
        auto rows = all;
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const auto& a, const auto& b) { return StatisticsLess(a, b, o.column); });
        std::vector<std::uint8_t> indexes;
        for (const auto& row : rows) indexes.push_back(row.index);
        EXPECT_EQ(indexes, o.indexes) << StatisticsHeader(o.column);
    }
    // Ten requests sort after two, though "10" < "2" as text.
    for (int i = 0; i < 10; ++i) stats.RequestWritten(kG);
    EXPECT_TRUE(StatisticsLess(stats.Of(kH), stats.Of(kG), C::Requests));
}

TEST(StatisticsTime, TimeOfDayFollowsTheWallClockByTheEngineClocksDistance) {
    const Clock::TimePoint engineNow{std::chrono::hours(5)};
    // 1.5 s before a wall time that is exactly on a second.
    const auto wallNow = std::chrono::system_clock::from_time_t(std::time(nullptr));
    const std::string text = TimeOfDayText(engineNow - 1500ms, engineNow, wallNow);
    const std::tm tm = ToLocalTime(std::chrono::system_clock::to_time_t(wallNow - 2s));
    char expected[32];
    std::snprintf(expected, sizeof expected, "%02d:%02d:%02d.500", tm.tm_hour, tm.tm_min, tm.tm_sec);
    EXPECT_EQ(text, expected);
}

}  // namespace
}  // namespace tulex::test
