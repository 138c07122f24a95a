// tulex-sim end to end: the program started as a child, talked to through
// its pseudo-terminal with hand-built bytes and through standard input.

#include "line/Frame.h"
#include "tests/sim/Shape.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/ioctl.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace tulex::sim::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint8_t G = 0x47;

std::string Req(std::uint8_t index, std::string_view command) { return BuildRequest(index, command); }

// Starts the program and opens its port.
struct Line {
    Line(const std::vector<std::string>& args) : sim(args, dir.path().string()) {
        announcement = sim.FirstLine();
        const auto blank = announcement.find(' ');
        if (blank != std::string::npos && announcement.rfind("SIM", 0) == 0 &&
            announcement.compare(blank + 1, 9, "/dev/pts/") == 0) {
            shortName = announcement.substr(0, blank);
            path = announcement.substr(blank + 1);
        }
    }
    tulex::test::TempDir dir;
    SimProcess sim;
    std::string announcement, shortName, path;
};

TEST(SimProgram, AnnouncesItselfAndAnswersOnThePort) {
    Line line({"--controllers", "G,Ж"});
    ASSERT_EQ(line.shortName, "SIM1") << line.announcement;
    const fs::path link = line.dir.path() / "SIM1";
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), line.path);
    EXPECT_EQ(fs::status(line.dir.path()).permissions() & fs::perms::all, fs::perms::owner_all);

    RawClient port(link.string());  // opened by its short name, as the tool does
    ASSERT_TRUE(port.ok());
    // Presence check, ack style: "!" now, the data reply at the poll.
    ASSERT_TRUE(port.Send(Req(G, "$$02")));
    EXPECT_EQ(port.Receive(1s, 1), "!");
    ASSERT_TRUE(port.Send(BuildShortFrame(kBufferTarget) + BuildShortFrame(G)));
    EXPECT_EQ(port.Receive(1s, 6), "G:47?!");
    // A write changes what a later read returns.
    ASSERT_TRUE(port.Send(Req(G, "!1019")));
    EXPECT_EQ(port.Receive(1s, 1), "!");
    ASSERT_TRUE(port.Send(Req(G, "$$10") + BuildShortFrame(G)));
    EXPECT_EQ(port.Receive(1s, 7), "!G:19?!");
    // A wrong check character is ignored; the next good frame is answered.
    std::string bad = Req(G, "$$02");
    bad.back() = 'x';
    ASSERT_TRUE(port.Send(bad));
    EXPECT_EQ(port.Receive(200ms), "");
    // The converter.
    ASSERT_TRUE(port.Send(Req(kConverterAddress, "0")));
    EXPECT_EQ(port.Receive(1s, 3), "21?");
    ASSERT_TRUE(port.Send(Req(kConverterAddress, "1G")));
    EXPECT_EQ(port.Receive(1s, 2), "#?");
    // The Cyrillic index.
    ASSERT_TRUE(port.Send(Req(0xC6, "$$02") + BuildShortFrame(0xC6)));
    EXPECT_EQ(port.Receive(1s, 7), "!\xC6:C6?!");

    line.sim.Signal(SIGTERM);
    EXPECT_EQ(line.sim.Wait(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the announcement is removed";
}

TEST(SimProgram, TraceRecordsBothDirections) {
    tulex::test::TempDir traceDir;
    const std::string trace = (traceDir.path() / "trace.log").string();
    Line line({"--controllers", "G", "--trace", trace});
    RawClient port(line.path);
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Send(Req(G, "$$02")));
    EXPECT_EQ(port.Receive(1s, 1), "!");
    line.sim.CloseInput();
    EXPECT_EQ(line.sim.Wait(), 0);
    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    // One line per frame, a time stamp in front.
    std::vector<std::string> lines;
    for (std::string l; std::getline(text, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 2u) << text.str();
    EXPECT_TRUE(HasShape(lines[0].substr(0, 13), "##:##:##.### ")) << lines[0];
    EXPECT_EQ(lines[0].substr(13, 41), "PC>  FF FF FF FF 47 47 24 24 30 32 3F 3D ");
    EXPECT_TRUE(HasShape(lines[1].substr(0, 13), "##:##:##.### ")) << lines[1];
    EXPECT_EQ(lines[1].substr(13, 13), "<LN  21  |!| ");
}

TEST(SimProgram, PositiveStyleAndLocalEcho) {
    Line line({"--controllers", "G", "--reply", "positive", "--echo"});
    RawClient port(line.path);
    ASSERT_TRUE(port.ok());
    const std::string request = Req(G, "$$02");
    ASSERT_TRUE(port.Send(request));
    EXPECT_EQ(port.Receive(1s, request.size() + 7), request + "$?G:47?");
}

TEST(SimProgram, RenameMovesTheController) {
    Line line({"--controllers", "G"});
    RawClient port(line.path);
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Send(Req(G, "$0HH")));
    EXPECT_EQ(port.Receive(1s, 1), "!");
    ASSERT_TRUE(port.Send(Req(G, "$$02")));
    EXPECT_EQ(port.Receive(200ms), "");
    ASSERT_TRUE(port.Send(Req('H', "$$02") + BuildShortFrame('H')));
    EXPECT_EQ(port.Receive(1s, 7), "!H:48?!");
    EXPECT_NE(line.sim.Command("list", "\n  H").find("1 controller(s)"), std::string::npos);
}

TEST(SimProgram, OnlineRequestsRecordTheAutomaticAnswer) {
    Line line({"--controllers", "G", "--answer-timeout", "300"});
    RawClient port(line.path);
    ASSERT_TRUE(port.ok());
    line.sim.Command("online G 1 0000000001", "\n");
    EXPECT_EQ(port.Receive(1s, 14), "G1;0000000001?");
    ASSERT_TRUE(port.Send(Req(G, ">")));
    EXPECT_EQ(port.Receive(1s, 1), "!");
    line.sim.Command("online G 2 0000000002", "\n");
    EXPECT_EQ(port.Receive(1s, 14), "G2;0000000002?");
    // No "<" from us: it counts as missed once the answer time has passed.
    std::this_thread::sleep_for(400ms);
    line.sim.Command("sensor G 3A", "\n");
    EXPECT_EQ(port.Receive(1s, 4), "G3A?");
    const std::string report = line.sim.Command("answers", "awaited\n");
    EXPECT_NE(report.find("1 received, 1 missed, 1 awaited"), std::string::npos) << report;
    EXPECT_NE(report.find("#1 G \">\" after "), std::string::npos) << report;
}

TEST(SimProgram, StdinInjectsEventsAndFaults) {
    Line line({"--controllers", "G"});
    RawClient port(line.path);
    ASSERT_TRUE(port.ok());
    line.sim.Command("card G 0000012345 ", "\n");
    EXPECT_EQ(port.Receive(1s, 13), "G;0000012345?");
    line.sim.Command("zeros 2", "\n");
    EXPECT_EQ(port.Receive(1s, 2), std::string(2, '\0'));
    line.sim.Command("master poll G", "\n");
    EXPECT_EQ(port.Receive(1s, 3), "\xFFG?");
    line.sim.Command("burst 5000", "\n");
    const std::string burst = port.Receive(5s, 5000 * 15);
    EXPECT_EQ(burst.size(), 5000u * 15u);
    EXPECT_EQ(line.sim.Command("frobnicate", "\n"), "error: unknown command \"frobnicate\" (help lists them)\n");
}

TEST(SimProgram, OutputWhileNoClientIsOpenDoesNotReachTheNextClient) {
    Line line({"--controllers", "G"});
    // Far more than the terminal holds (300 kB), with no client. It is
    // thrown away as fast as the pty carries it (milliseconds); a burst still
    // streaming when a client opens would rightly reach it, as a frame on
    // the wire reaches a PC plugged in mid-way, so the wait leaves it ample
    // time even on a loaded machine.
    line.sim.Command("burst 20000", "\n");
    std::this_thread::sleep_for(1s);
    RawClient port(line.path);
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Send(Req(G, "$$02")));
    EXPECT_EQ(port.Receive(1s, 1), "!") << "no stale card events in front of the answer";
    EXPECT_EQ(port.Receive(200ms), "");
}

TEST(SimProgram, SurvivesTheClientClosingAndReopening) {
    Line line({"--controllers", "G"});
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        RawClient port(line.path);
        ASSERT_TRUE(port.ok());
        // Lock it the way the tool does.
        ASSERT_EQ(flock(port.fd(), LOCK_EX | LOCK_NB), 0);
        ASSERT_EQ(ioctl(port.fd(), TIOCEXCL), 0);
        ASSERT_TRUE(port.Send(Req(G, "$$02")));
        EXPECT_EQ(port.Receive(1s, 1), "!");
        port.Close();
        // The exclusive mode would outlive the client (the simulator keeps
        // the terminal open); it must be cleared so a non-root tool can
        // open the port again.
        RawClient probe(line.path);
        ASSERT_TRUE(probe.ok());
        int exclusive = 1;
        for (int i = 0; i < 100 && exclusive; ++i) {
            ASSERT_EQ(ioctl(probe.fd(), TIOCGEXCL, &exclusive), 0);
            if (exclusive) std::this_thread::sleep_for(20ms);
        }
        EXPECT_EQ(exclusive, 0);
    }
}

TEST(SimProgram, ShortNamesAndEnding) {
    tulex::test::TempDir dir;
    // A stale announcement (its pty is gone) is free to take.
    fs::create_symlink("/dev/pts/999999", dir.path() / "SIM1");
    SimProcess first({"--controllers", "G"}, dir.path().string());
    const std::string a = first.FirstLine();
    SimProcess second({"--controllers", "G"}, dir.path().string());
    const std::string b = second.FirstLine();
    EXPECT_EQ(a.rfind("SIM1 /dev/pts/", 0), 0u) << a;
    EXPECT_EQ(b.rfind("SIM2 /dev/pts/", 0), 0u) << b;

    first.Signal(SIGINT);
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() / "SIM1")));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "SIM2"));
    second.CloseInput();  // end of standard input ends it too
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() / "SIM2")));
}

TEST(SimProgram, DemoLineRunsWithoutOptions) {
    Line line({});
    ASSERT_FALSE(line.path.empty()) << line.announcement;
    const std::string list = line.sim.Command("list", "д (0xE4)");
    EXPECT_NE(list.find("12 controller(s)"), std::string::npos) << list;
    RawClient port(line.path);
    ASSERT_TRUE(port.ok());
    // Events may interleave: look for the acknowledgement among them.
    ASSERT_TRUE(port.Send(Req(G, "$$13") + BuildShortFrame(G)));
    const std::string got = port.Receive(1s);
    EXPECT_NE(got.find("G:43?!"), std::string::npos) << got;
}

TEST(SimProgram, UsageErrors) {
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"--controllers", "F"}, 2},
        {{"--scenario", "/nonexistent/x.json"}, 2},
        {{"--reply", "sometimes"}, 2},
        {{"--help"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        tulex::test::TempDir dir;
        SimProcess sim(c.args, dir.path().string());
        const std::string out = sim.ReadStdout(2s, "\n");
        EXPECT_EQ(sim.Wait(), c.status);
        if (c.status == 0)
            EXPECT_EQ(out.rfind("Usage: tulex-sim", 0), 0u);
        else
            EXPECT_EQ(out, "") << "no announcement on a usage error";
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
}

}  // namespace
}  // namespace tulex::sim::test
