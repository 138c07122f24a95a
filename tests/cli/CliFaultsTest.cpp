// tulex-cli never fails without a word and never outlives its port: refusals
// say why on standard error, a monitor file that cannot be written is told
// and fails the run, and a signal or the loss of the device ends a command's
// wait at once (no time-out is logged after the port closed).

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "line/Cp1251.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

const std::string kPortClosed = Utf8ToCp1251Lossy("Порт закрыт.");

class CliFaults : public ::testing::Test {
protected:
    std::vector<std::string> With(std::vector<std::string> args) {
        args.insert(args.begin(), {"-p", pty.slavePath()});
        return args;
    }
    // Waits until the program's first request reached the line.
    bool RequestSent() { return pty.Receive(5s, 1).find(static_cast<char>(0xFF)) != std::string::npos; }

    Pty pty;
    TempDir dir;
};

TEST_F(CliFaults, RefusalsSayWhy) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* said;
    };
    const Case cases[] = {
        {"speed zero", {"--speed", "0", "check", "G"}, 3, "refused the settings (speed 0 bit/s)"},
        {"negative speed", {"--speed", "-9600", "check", "G"}, 3, "refused the settings (speed -9600 bit/s)"},
        {"preset with no one to confirm", {"preset", "G", "1"}, 2, "not confirmed: no terminal to ask; --yes"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(With(c.args));
        EXPECT_EQ(run.status, c.status) << c.name;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << c.name << ": " << run.err;
    }
}

TEST_F(CliFaults, AMonitorFileThatCannotBeWrittenFailsTheRunAndSaysSo) {
    Cli cli(With({"--monitor", "/dev/full", "listen"}));
    EXPECT_EQ(cli.Wait(), 1);  // ends by itself: the log it was run for is lost
    EXPECT_NE(cli.Err().find("the monitor could not be written to \"/dev/full\""), std::string::npos) << cli.Err();
}

TEST_F(CliFaults, ACommandThatSucceedsFailsWhenItsMonitorFileLostLines) {
    Cli cli(With({"--monitor", "/dev/full", "check", "G"}));
    ASSERT_TRUE(RequestSent());
    ASSERT_TRUE(pty.Send("$?"));  // present: a success on the line
    EXPECT_EQ(cli.Wait(), 1);
    EXPECT_NE(cli.Out().find("Контроллер есть в линии."), std::string::npos) << cli.Out();
    EXPECT_NE(cli.Err().find("the monitor could not be written"), std::string::npos) << cli.Err();
}

// A signal or the device's loss while the command waits for its answer.
struct MidWaitCase {
    const char* name;
    std::vector<std::string> command;
    bool hangUp;  // false: SIGTERM
    const char* said;
};

class MidWait : public CliFaults, public ::testing::WithParamInterface<MidWaitCase> {};

TEST_P(MidWait, EndsTheWaitAtOnceWithNoTimeOutAfterTheClose) {
    const MidWaitCase& c = GetParam();
    const std::string monitor = (dir.path() / "monitor.txt").string();
    std::vector<std::string> args{"--monitor", monitor};
    args.insert(args.end(), c.command.begin(), c.command.end());
    Cli cli(With(args));
    ASSERT_TRUE(RequestSent());
    if (c.hangUp)
        pty.HangUp();
    else
        cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 1) << cli.Out() << cli.Err();
    EXPECT_NE(cli.Err().find(c.said), std::string::npos) << cli.Err();
    const std::string log = ReadFile(monitor);
    const auto closed = log.find(kPortClosed);
    ASSERT_NE(closed, std::string::npos) << log;
    EXPECT_EQ(log.find("TIMEOUT", closed), std::string::npos) << Cp1251ToUtf8(log);
    EXPECT_EQ(log.find("\r\n", closed), log.size() - 2) << "the close is the last line: " << Cp1251ToUtf8(log);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MidWait,
    ::testing::Values(MidWaitCase{"check_signal", {"check", "G"}, false, "interrupted"},
                      MidWaitCase{"check_device_lost", {"check", "G"}, true, "the port went away"},
                      MidWaitCase{"line_test_device_lost", {"line-test", "G"}, true, "the port went away"},
                      MidWaitCase{
                          "eeprom_test_device_lost", {"--yes", "eeprom-test", "G"}, true, "the port went away"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tulex::test
