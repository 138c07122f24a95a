// Events, the schedule, scenarios, the command line and stdin commands.

#include "line/Cp1251.h"
#include "line/Frame.h"
#include "sim/Scenario.h"
#include "sim/SimCommands.h"
#include "sim/SimEvents.h"
#include "sim/SimOptions.h"
#include "tests/sim/Shape.h"

#include <gtest/gtest.h>

namespace tulex::sim {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t G = 0x47;
constexpr std::uint8_t H = 0x48;

class EventsFixture : public ::testing::Test {
protected:
    std::string Out(SimTime at) {
        line.Advance(at);
        return line.TakeOutput(at);
    }
    SimLine line;
    SimEvents events{line, 42};
    SimTime t0 = SimTime{} + 5h;
};

TEST_F(EventsFixture, EventFramesHaveTheirLayouts) {
    line.AddController(G);
    struct Case {
        EventSpec entry;
        std::string_view shape;  // see HasShape
    };
    auto entry = [](EventKind kind, std::string data = {}, bool longData = false, int channel = 1) {
        EventSpec s;
        s.kind = kind;
        s.index = G;
        s.data = std::move(data);
        s.longData = longData;
        s.channel = channel;
        return s;
    };
    const Case cases[] = {
        {entry(EventKind::Card), "G;##########%%?"},
        {entry(EventKind::Card, {}, true), "G;##########%%0000####?"},
        {entry(EventKind::Card, "0000012345"), "G;0000012345?"},
        {entry(EventKind::Online), "G1;##########?"},
        {entry(EventKind::Online, {}, false, 2), "G2;##########?"},
        {entry(EventKind::Online, {}, true, 2), "G2;####################?"},
        {entry(EventKind::Sensor), "G##?"},
        {entry(EventKind::Sensor, "3A"), "G3A?"},
        {entry(EventKind::MasterPoll), "\xFFG?"},
        {entry(EventKind::LostTerminator), "G;##########%%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(EventKindName(c.entry.kind));
        const std::string what = events.Fire(c.entry, t0);
        EXPECT_EQ(what.rfind("error", 0), std::string::npos) << what;
        const std::string out = Out(t0);
        EXPECT_TRUE(test::HasShape(out, c.shape)) << out;
    }
    EXPECT_EQ(events.Fire(entry(EventKind::MasterRequest, "!1005"), t0), "another master's request to G !1005");
    EXPECT_EQ(Out(t0), BuildRequest(G, "!1005"));
    EventSpec s;
    s.kind = EventKind::MasterClear;
    events.Fire(s, t0);
    EXPECT_EQ(Out(t0), "\xFF\xFD?");
    s.kind = EventKind::MasterConverter;
    events.Fire(s, t0);
    EXPECT_EQ(Out(t0), BuildRequest(kConverterAddress, "0"));
    // A sensor event needs a hex digit after the index, or it is not one.
    EXPECT_EQ(events.Fire(entry(EventKind::Sensor, ";1"), t0).rfind("error", 0), 0u);
}

TEST_F(EventsFixture, FaultsAndBursts) {
    line.AddController(G);
    line.AddController(H);
    EventSpec s;
    s.kind = EventKind::Zeros;
    s.count = 3;
    events.Fire(s, t0);
    EXPECT_EQ(Out(t0), std::string(3, '\0'));
    s.kind = EventKind::Noise;
    s.count = 50;
    events.Fire(s, t0);
    const std::string noise = Out(t0);
    EXPECT_EQ(noise.size(), 50u);
    EXPECT_EQ(noise.find('\0'), std::string::npos);
    s.kind = EventKind::Burst;
    s.count = 1000;
    events.Fire(s, t0);
    const std::string burst = Out(t0);
    std::size_t frames = 0, fromH = 0;
    for (std::size_t pos = 0; pos < burst.size(); pos += 15) {
        const std::string frame = burst.substr(pos, 15);
        ASSERT_TRUE(test::HasShape(frame, "G;##########%%?") || test::HasShape(frame, "H;##########%%?")) << frame;
        ++frames;
        fromH += burst[pos] == 'H';
    }
    EXPECT_EQ(frames, 1000u);
    EXPECT_EQ(fromH, 500u) << "a burst takes turns over the line's controllers";
}

TEST_F(EventsFixture, EventsWithoutAControllerAreRefused) {
    EventSpec s;  // a card event from a random controller of an empty line
    EXPECT_EQ(events.Fire(s, t0).rfind("error", 0), 0u);
    EXPECT_EQ(Out(t0), "");
}

TEST_F(EventsFixture, ScheduleFiresAtItsTimes) {
    line.AddController(G);
    ScheduleItem every;
    every.event.kind = EventKind::Sensor;
    every.event.data = "1";
    every.atMs = 100;
    every.everyMs = 250;
    every.repeat = 3;
    ScheduleItem once;
    once.event.kind = EventKind::Online;
    once.event.data = "0000000001";
    once.event.channel = 1;
    once.atMs = 200;
    events.AddSchedule(every, t0);
    events.AddSchedule(once, t0);

    std::vector<int> sensorTimes;
    std::vector<int> onlineTimes;
    for (int ms = 0; ms <= 2000; ++ms) {
        const SimTime now = t0 + Millis(ms);
        events.Advance(now);
        const std::string out = Out(now);
        if (out.find("G1?") != std::string::npos) sensorTimes.push_back(ms);
        if (out.find("G1;") != std::string::npos) onlineTimes.push_back(ms);
    }
    EXPECT_EQ(sensorTimes, (std::vector<int>{100, 350, 600}));
    EXPECT_EQ(onlineTimes, (std::vector<int>{200}));
    EXPECT_FALSE(events.NextDue().has_value());
    // Both events expected an automatic answer; none came.
    ASSERT_EQ(line.Answers().size(), 4u);
    for (const auto& r : line.Answers()) EXPECT_TRUE(r.missed);
}

TEST(Scenario, DemoLineIsPlausible) {
    std::string error;
    const auto s = ParseScenario(DemoScenarioJson(), error);
    ASSERT_TRUE(s) << error;
    EXPECT_GE(s->controllers.size(), 10u);
    bool latin = false, cyrillic = false;
    for (const auto& c : s->controllers) {
        latin |= c.index < 0x80;
        cyrillic |= c.index >= 0xC0;
    }
    EXPECT_TRUE(latin && cyrillic);
    EXPECT_FALSE(s->events.empty());

    SimLine line(s->line, s->converter);
    SimEvents events(line, s->seed);
    ASSERT_TRUE(ApplyScenario(*s, line, events, SimTime{}, error)) << error;
    std::set<int> types, modes;
    for (SimController* c : line.Controllers()) {
        types.insert(c->Register(1) >> 4);
        modes.insert(c->Register(13) >> 4);
        EXPECT_EQ(c->Register(2), c->Index());
    }
    EXPECT_GE(types.size(), 4u) << "several controller models";
    EXPECT_EQ(modes.size(), 3u) << "on-line, off-line and autonomous controllers";
}

TEST(Scenario, KeysAreAppliedAndMistakesNamed) {
    std::string error;
    const auto s = ParseScenario(R"({
        "line": {"reply": "positive", "absent": "error", "delay_ms": 3, "answer_timeout_ms": 50,
                 "silent": false, "error": false, "device_error": true},
        "converter": {"version": "20", "poll_upper": "0x60", "speed": "14", "echo": true},
        "controllers": [
            {"index": "Ж", "preset": "terminal", "registers": {"10": "ff", "13": "60"},
             "reply": "ack", "delay_ms": 7, "silent": false, "error": false, "eeprom": "fail",
             "eeprom_delay_ms": 10, "no_data_after_ack": true, "type": "65", "accepts_any": true,
             "silent_after": 12, "error_after": 0}
        ],
        "events": [{"event": "burst", "count": 10, "at_ms": 5}]
    })",
                                 error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->line.reply, ReplyStyle::Positive);
    EXPECT_TRUE(s->line.absentError);
    EXPECT_TRUE(s->line.deviceError);
    EXPECT_TRUE(s->converter.echo);
    EXPECT_EQ(s->converter.pollUpper, 0x60);
    SimLine line(s->line, s->converter);
    SimEvents events(line);
    ASSERT_TRUE(ApplyScenario(*s, line, events, SimTime{}, error));
    SimController* c = line.Find(0xC6);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Register(1), 0x65);
    EXPECT_EQ(c->Register(10), 0xFF);
    EXPECT_EQ(c->Register(13), 0x60);
    EXPECT_EQ(c->Register(16), 0x1E) << "from the preset";
    EXPECT_EQ(c->Behaviour().delayMs, 7);
    EXPECT_TRUE(c->Behaviour().eepromFail);
    EXPECT_TRUE(c->Behaviour().noDataAfterAck);
    EXPECT_TRUE(c->Behaviour().acceptsAnyCommand);
    EXPECT_EQ(c->Behaviour().framesBeforeSilence, 12);
    EXPECT_EQ(c->Behaviour().framesBeforeErrors, 0);

    // The keys of a commissioning line: controllers that refuse writes, go
    // silent, or wait at a factory index to be connected.
    const auto plan = ParseScenario(R"({"controllers": [
            {"index": "G", "refuses_writes": true, "silent_after": 4},
            {"index": "ь"}, {"index": "ь", "queued": true, "type": "65"}]})",
                                    error);
    ASSERT_TRUE(plan) << error;
    SimLine planLine;
    SimEvents planEvents(planLine);
    ASSERT_TRUE(ApplyScenario(*plan, planLine, planEvents, SimTime{}, error));
    EXPECT_TRUE(planLine.Find(0x47)->Behaviour().refusesWrites);
    EXPECT_EQ(planLine.Find(0x47)->Behaviour().framesBeforeSilence, 4);
    EXPECT_EQ(planLine.Find(0xFC)->Register(1), 0x21) << "the connected one answers; the queued one waits";
    EXPECT_EQ(planLine.QueuedCount(), 1u);

    struct Bad {
        const char* json;
        const char* mentions;
    };
    const Bad bad[] = {
        {R"({"controlers": []})", "controlers"},
        {R"({"controllers": [{"index": "F"}]})", "controllers[0].index"},
        {R"({"controllers": [{"index": "G"}, {"index": "0x47"}]})", "used twice"},
        {R"({"controllers": [{"index": "G", "silent_after": -1}]})", "silent_after"},
        {R"({"controllers": [{"index": "G", "queued": 1}]})", "queued"},
        {R"({"controllers": [{"index": "G", "preset": "gate"}]})", "preset"},
        {R"({"controllers": [{"index": "G", "registers": {"02": "48"}}]})", "register 02"},
        {R"({"controllers": [{"index": "G", "registers": {"13": "4"}}]})", "registers.13"},
        {R"({"controllers": [{"index": "G", "delay_ms": -1}]})", "delay_ms"},
        {R"({"controllers": [{"index": "G", "silent_after": -1}]})", "silent_after"},
        {R"({"controllers": [{"index": "G", "error_after": "3"}]})", "error_after"},
        {R"({"controllers": [{"index": "G", "accepts_any": 1}]})", "accepts_any"},
        {R"({"line": {"reply": "nack"}})", "line.reply"},
        {R"({"converter": {"poll_upper": "G"}})", "poll_upper"},
        {R"({"converter": {"version": "x1"}})", "version"},
        {R"({"events": [{"event": "cards"}]})", "events[0].event"},
        {R"({"events": [{"event": "card", "data": "12?4"}]})", "events[0].data"},
        {R"({"events": [{"event": "online", "channel": 3}]})", "channel"},
        {R"({"line": )", "not valid JSON"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.json);
        error.clear();
        EXPECT_FALSE(ParseScenario(b.json, error));
        EXPECT_NE(error.find(b.mentions), std::string::npos) << error;
    }
    EXPECT_FALSE(LoadScenario("/nonexistent/scenario.json", error));
    EXPECT_NE(error.find("/nonexistent/scenario.json"), std::string::npos);
}

std::optional<SimOptions> Parse(std::vector<std::string> args, std::string& error) {
    args.insert(args.begin(), "tulex-sim");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return ParseSimOptions(static_cast<int>(argv.size()), argv.data(), error);
}

// A file that is not JSON may hold any bytes; the JSON reader's message
// quotes those it stopped at. tulex-sim prints the message, so it must be
// UTF-8 whatever the file held.
TEST(Scenario, MessageAboutBytesThatAreNotUtf8IsUtf8) {
    const char* files[] = {"\xFF", "{\"line\": \xC1\xBE}", "{\"li\xFFne\": 1}", "[\"\xED\xA0\x80\"]",
                           "{\"converter\": \xF4\x90\x80\x80}"};
    for (const char* file : files) {
        std::string error;
        EXPECT_FALSE(ParseScenario(file, error));
        EXPECT_NE(error.find("not valid JSON"), std::string::npos) << error;
        EXPECT_TRUE(IsValidUtf8(error)) << error;
    }
}

TEST(SimOptions, CommandLineContract) {
    std::string error;
    auto o = Parse({"--controllers", "G,H,Ж,0xFC", "--reply", "positive", "--absent", "error", "--echo", "--trace", "-",
                    "--scenario", "x.json", "--delay=4", "--poll-upper", "H"},
                   error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->controllers, (std::vector<std::uint8_t>{0x47, 0x48, 0xC6, 0xFC}));
    EXPECT_EQ(o->reply, ReplyStyle::Positive);
    EXPECT_EQ(o->absentError, true);
    EXPECT_TRUE(o->echo);
    EXPECT_EQ(o->tracePath, "-");
    EXPECT_EQ(o->scenarioPath, "x.json");
    EXPECT_EQ(o->delayMs, 4);
    EXPECT_EQ(o->pollUpper, 0x48);

    const std::vector<std::vector<std::string>> bad = {
        {"--controllers", "G,F"},  {"--controllers", "G,,H"}, {"--controllers", "G,G"},
        {"--controllers", "0x20"}, {"--reply", "nack"},       {"--absent", "loud"},
        {"--delay", "-1"},         {"--delay", "5ms"},        {"--trace"},
        {"--poll-upper", "G"},     {"--speed", "8"},          {"--frobnicate"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        error.clear();
        EXPECT_FALSE(Parse(args, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimOptions, HelpNamesEveryOptionAndCommand) {
    const std::string help = SimHelpText();
    for (const char* word : {"--scenario",
                             "--controllers",
                             "--reply",
                             "--absent",
                             "--echo",
                             "--trace",
                             "--delay",
                             "--eeprom-delay",
                             "--eeprom-fail",
                             "--event-interval",
                             "--online-interval",
                             "--sensor-interval",
                             "--answer-timeout",
                             "--converter-version",
                             "--poll-upper",
                             "--speed",
                             "--seed",
                             "--no-stdin",
                             "--help",
                             "--silent",
                             "--error-reply",
                             "--device-error",
                             "device-error on|off",
                             "card IDX",
                             "online IDX",
                             "sensor IDX",
                             "master request",
                             "master poll",
                             "master clear",
                             "master converter",
                             "noise",
                             "lost",
                             "zeros",
                             "burst",
                             "list",
                             "answers",
                             "stats",
                             "trace",
                             "add IDX",
                             "remove IDX",
                             "set IDX",
                             "device-error on|off",
                             "no-data on|off",
                             "mastercard",
                             "converter SETTING",
                             "line SETTING",
                             "quit"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

TEST(SimCommands, ChangeTheLineWhileItRuns) {
    SimLine line;
    SimEvents events(line);
    SimCommands commands(line, events, nullptr);
    const SimTime t = SimTime{} + 1h;
    bool quit = false;
    auto run = [&](const char* text) { return commands.Execute(text, t, quit); };

    EXPECT_EQ(run("add G door-sensor"), "ok");
    EXPECT_EQ(run("add Ж"), "ok");
    EXPECT_EQ(run("add G").rfind("error", 0), 0u);
    EXPECT_EQ(run("set G reply positive"), "ok");
    EXPECT_EQ(run("set G reg 10 FF"), "ok");
    EXPECT_EQ(run("set G reg 02 48").rfind("error", 0), 0u);
    EXPECT_EQ(run("set G eeprom fail"), "ok");
    EXPECT_EQ(run("set G delay 12"), "ok");
    EXPECT_EQ(run("set H delay 12").rfind("error", 0), 0u);
    EXPECT_EQ(run("set G volume 11").rfind("error", 0), 0u);
    EXPECT_EQ(run("set Ж accept-any on"), "ok");
    EXPECT_EQ(run("set Ж silent-after 4"), "ok");
    EXPECT_EQ(run("set Ж error-after 2"), "ok");
    EXPECT_EQ(run("set Ж error-after x").rfind("error", 0), 0u);
    EXPECT_EQ(run("set Ж accept-any maybe").rfind("error", 0), 0u);
    const SimController* zhe = line.Find(0xC6);
    EXPECT_TRUE(zhe->Behaviour().acceptsAnyCommand);
    EXPECT_EQ(zhe->Behaviour().framesBeforeSilence, 4);
    EXPECT_EQ(zhe->Behaviour().framesBeforeErrors, 2);
    SimController* g = line.Find(G);
    EXPECT_EQ(g->Register(10), 0xFF);
    EXPECT_EQ(g->Register(13), 0x43);
    EXPECT_EQ(g->Behaviour().reply, ReplyStyle::Positive);
    EXPECT_EQ(g->Behaviour().delayMs, 12);
    EXPECT_TRUE(g->Behaviour().eepromFail);

    const std::string list = run("list");
    EXPECT_NE(list.find("2 controller(s)"), std::string::npos) << list;
    EXPECT_NE(list.find("Ж (0xC6)"), std::string::npos) << list;
    EXPECT_NE(list.find("10=FF"), std::string::npos) << list;
    EXPECT_NE(list.find("accepts any command, silent after 4 frame(s), error replies after 2 frame(s)"),
              std::string::npos)
        << list;

    EXPECT_EQ(run("card G 0000012345"), "card event G 0000012345");
    EXPECT_EQ(line.TakeOutput(t), "G;0000012345?");
    EXPECT_EQ(run("online Ж 2 0000000007").rfind("on-line request", 0), 0u);
    EXPECT_EQ(line.TakeOutput(t),
              "\xC6"
              "2;0000000007?");
    EXPECT_NE(run("answers").find("1 awaited"), std::string::npos);
    EXPECT_EQ(run("card F").rfind("error", 0), 0u);
    EXPECT_EQ(run("burst 0").rfind("error", 0), 0u);
    EXPECT_EQ(run("line absent error"), "ok");
    EXPECT_TRUE(line.Config().absentError);
    EXPECT_EQ(run("converter echo on"), "ok");
    EXPECT_TRUE(line.Converter().Config().echo);
    EXPECT_EQ(run("remove G"), "ok");
    EXPECT_EQ(line.Find(G), nullptr);
    EXPECT_EQ(run("frobnicate").rfind("error", 0), 0u);
    EXPECT_FALSE(quit);
    run("quit");
    EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace tulex::sim
