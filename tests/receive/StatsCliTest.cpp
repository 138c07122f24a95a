// tulex-cli's statistics and reconnection end to end against tulex-sim:
// `listen --stats --json` and `stats` after card and sensor events, and
// `listen --reconnect` across the port vanishing and coming back under the
// same name.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CliProcess.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;
using sim::test::SimProcess;

// tulex-sim with its stdin open for commands, announced in a folder of the
// test's own; port() is its SIMn link.
struct SimLine {
    explicit SimLine(const std::vector<std::string>& args) : sim(args, dir.path().string()) {
        const std::string first = sim.FirstLine();
        const auto blank = first.find(' ');
        if (blank != std::string::npos) link = (dir.path() / first.substr(0, blank)).string();
    }
    const std::string& port() const { return link; }
    TempDir dir;
    SimProcess sim;
    std::string link;
};

// Waits in real time until the program's output holds text.
bool OutputHas(const Cli& cli, const std::string& text, std::chrono::milliseconds within = 10s) {
    const auto giveUp = std::chrono::steady_clock::now() + within;
    while (cli.Out().find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string LastLine(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    if (end == std::string::npos) return {};
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end + 1 - (start == std::string::npos ? 0 : start + 1));
}

TEST(StatsCli, ListenStatsJsonEndsWithTheControllersFigures) {
    SimLine line({"--controllers", "G,H"});
    ASSERT_FALSE(line.port().empty());
    Cli cli({"-p", line.port(), "--json", "listen", "--stats", "--seconds", "3"});
    ASSERT_TRUE(OutputHas(cli, "Порт открыт")) << cli.Err();
    line.sim.Command("card G", "\n");
    line.sim.Command("card G", "\n");
    line.sim.Command("sensor H 0A", "\n");
    ASSERT_EQ(cli.Wait(), 0) << cli.Err();
    const std::string out = cli.Out();
    const std::string stats = LastLine(out);
    ASSERT_EQ(stats.rfind("{\"event\": \"stats\", \"controllers\": {\"G\": {\"last_heard\": \"", 0), 0u) << out;
    EXPECT_NE(stats.find("\"last_kind\": \"card\", \"received\": {\"ack\": 0, \"positive\": 0, \"error\": 0, "
                         "\"data\": 0, \"card\": 2, \"sensor\": 0, \"poll\": 0}, \"requests\": 0, \"timeouts\": 0, "
                         "\"reply_ms\": {\"min\": null, \"mean\": null, \"max\": null}}"),
              std::string::npos)
        << stats;
    // H's sensor event got the automatic answer "+": one request, answered.
    const auto h = stats.find("\"H\": {");
    ASSERT_NE(h, std::string::npos) << stats;
    EXPECT_NE(stats.find("\"sensor\": 1", h), std::string::npos) << stats;
    EXPECT_NE(stats.find("\"requests\": 1", h), std::string::npos) << stats;
    EXPECT_EQ(stats.substr(stats.size() - 2), "}}") << stats;
    // The monitor lines came before it, one object each.
    EXPECT_NE(out.find("{\"event\": \"monitor\", \"line\": "), std::string::npos);
    EXPECT_LT(out.find("{\"event\": \"monitor\""), out.find("{\"event\": \"stats\""));
}

TEST(StatsCli, StatsPrintsOnlyTheTable) {
    SimLine line({"--controllers", "G"});
    ASSERT_FALSE(line.port().empty());
    Cli cli({"-p", line.port(), "stats", "--seconds", "2"});
    std::this_thread::sleep_for(700ms);  // the port is open by then; an event before it is not heard
    line.sim.Command("card G", "\n");
    ASSERT_EQ(cli.Wait(), 0) << cli.Err();
    const std::string out = cli.Out();
    EXPECT_EQ(out.rfind("index  last_heard", 0), 0u) << out;
    EXPECT_EQ(out.find("Порт открыт"), std::string::npos) << "no monitor lines:\n" << out;
    const auto g = out.find("\nG  ");
    ASSERT_NE(g, std::string::npos) << out;
    EXPECT_NE(out.find("card", g), std::string::npos) << out;
}

TEST(StatsCli, ListenReconnectReopensThePortThatCameBack) {
    SimLine line({"--controllers", "G"});
    ASSERT_FALSE(line.port().empty());
    Cli cli({"-p", line.port(), "listen", "--reconnect", "--stats", "--seconds", "8"});
    ASSERT_TRUE(OutputHas(cli, "Порт открыт")) << cli.Err();
    line.sim.Command("card G", "\n");
    ASSERT_TRUE(OutputHas(cli, "G;"));
    // "replugged SIMn /dev/pts/N" once the port is back.
    std::string replug = line.sim.Command("unplug 1000", "replugged", 5s);
    replug += line.sim.ReadStdout(1s, "\n");
    ASSERT_NE(replug.find("replugged SIM"), std::string::npos) << replug;
    ASSERT_TRUE(OutputHas(cli, "Порт восстановлен")) << cli.Out() << cli.Err();
    line.sim.Command("card G", "\n");
    EXPECT_EQ(cli.Wait(), 0) << "ended by its time, not by the loss\n" << cli.Err();
    const std::string out = cli.Out();
    EXPECT_NE(out.find("Порт закрыт."), std::string::npos) << out;
    EXPECT_LT(out.find("Порт закрыт."), out.find("Порт восстановлен")) << out;
    EXPECT_NE(cli.Err().find("waiting for " + line.port()), std::string::npos) << cli.Err();
    // The statistics went on across the loss: both card events counted.
    const auto g = out.rfind("\nG  ");
    ASSERT_NE(g, std::string::npos) << out;
    EXPECT_NE(out.find("  2  ", g), std::string::npos) << out;
}

TEST(StatsCli, ListenWithoutReconnectEndsWhenThePortIsLost) {
    SimLine line({"--controllers", "G"});
    ASSERT_FALSE(line.port().empty());
    Cli cli({"-p", line.port(), "listen", "--seconds", "8"});
    ASSERT_TRUE(OutputHas(cli, "Порт открыт")) << cli.Err();
    line.sim.Command("unplug 2000", "replugged", 5s);
    EXPECT_EQ(cli.Wait(), 1) << cli.Err();
    EXPECT_EQ(cli.Out().find("Порт восстановлен"), std::string::npos);
}

}  // namespace
}  // namespace tulex::test
