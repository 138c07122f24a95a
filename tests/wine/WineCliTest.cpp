// tulex-cli.exe under Wine against tulex-sim, with Wine's COM1 on the
// simulator's pseudo-terminal: the same output and exit status as the Linux
// build for the same command on the same kind of line, the end of `listen`
// by Ctrl+C and by the loss of the line, the monitor file in a Cyrillic
// folder, the port list and the port's error messages.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/CliProcess.h"
#include "tests/wine/SimLine.h"
#include "tests/wine/WineEnvironment.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::vector<std::string> kLine = {"--controllers", "G,H,Ж"};
const std::string kOpened = "Порт открыт. Скорость, бит/с — 9600";

fs::path WindowsCli() { return WineEnvironment::WindowsBuild() / "cli" / "tulex-cli.exe"; }

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// The port's name becomes PORT and every time stamp TT:TT:TT, so that runs on
// different ports at different times compare.
std::string Normalised(std::string text, const std::string& portName) {
    for (std::size_t at = text.find(portName); at != std::string::npos; at = text.find(portName, at + 4))
        text.replace(at, portName.size(), "PORT");
    static const std::regex stamp(R"(\b\d\d:\d\d:\d\d\b)");
    return std::regex_replace(text, stamp, "TT:TT:TT");
}

Outcome Finished(ChildProcess& program, const std::string& portName, std::chrono::milliseconds within) {
    Outcome outcome;
    outcome.status = program.Wait(within);
    outcome.out = Normalised(program.Out(), portName);
    outcome.err = Normalised(program.Err(), portName);
    return outcome;
}

class WineCli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(wine.error(), ""); }

    // tulex-cli.exe on COM1, which now leads to `line`.
    std::unique_ptr<ChildProcess> StartWindows(SimLine& line, const std::vector<std::string>& args) {
        EXPECT_TRUE(wine.MapCom1(line.pty()));
        wine.StartServer();
        std::vector<std::string> all{"--port", "COM1"};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<ChildProcess>(wine.Command(WindowsCli(), all), wine.Variables(),
                                              WineEnvironment::Unset());
    }
    // The Linux build on the pseudo-terminal of `line`.
    static std::unique_ptr<ChildProcess> StartLinux(SimLine& line, const std::vector<std::string>& args) {
        std::vector<std::string> all{TULEX_CLI_PROGRAM, "--port", line.pty()};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<ChildProcess>(all);
    }

    WineEnvironment& wine = WineEnvironment::Instance();
};

// ---- the same command on both builds

struct Command {
    const char* name;
    std::vector<std::string> args;
};

class SameAsLinux : public WineCli, public ::testing::WithParamInterface<Command> {};

// The output with the time a command measured on its own clock (the
// search's "seconds") blanked: the two runs take a few milliseconds more or
// less.
std::string WithoutMeasuredTime(const std::string& out) {
    static const std::regex seconds(R"("seconds": [0-9.]+)");
    return std::regex_replace(out, seconds, R"("seconds": …)");
}

TEST_P(SameAsLinux, OutputAndExitStatus) {
    // Both at once, each on a line of its own: a search takes the line's own
    // time (about a minute), and the two runs must not share a line.
    SimLine linuxLine(kLine);
    SimLine windowsLine(kLine);
    ASSERT_FALSE(linuxLine.pty().empty());
    ASSERT_FALSE(windowsLine.pty().empty());
    auto onLinux = StartLinux(linuxLine, GetParam().args);
    auto onWindows = StartWindows(windowsLine, GetParam().args);
    const Outcome linux = Finished(*onLinux, linuxLine.pty(), 3min);
    const Outcome windows = Finished(*onWindows, "COM1", 3min);
    EXPECT_NE(linux.status, -1) << "the Linux build did not end";
    EXPECT_EQ(windows.status, linux.status);
    EXPECT_EQ(WithoutMeasuredTime(windows.out), WithoutMeasuredTime(linux.out));
    EXPECT_EQ(windows.err, linux.err);
    EXPECT_FALSE(linux.out.empty() && linux.err.empty());
}

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Commands, SameAsLinux,
                         ::testing::Values(Command{"Params", {"params", "G"}},
                                           Command{"ParamsOfCyrillicIndexAsJson", {"--json", "params", "Ж"}},
                                           Command{"CheckOfAnAbsentController", {"check", "Щ"}},  // failure, status 1
                                           Command{"ConverterInfo", {"converter", "info"}},
                                           Command{"ConverterInfoAsJson", {"--json", "converter", "info"}},
                                           Command{"SearchAsJson", {"--json", "search"}},
                                           Command{"BadSpeed",
                                                   {"--speed", "96OO", "params", "G"}}),  // the port's own message
                         CaseName<Command>);

TEST_F(WineCli, ListenJsonSameAsLinux) {
    // Ended by SIGINT (Ctrl+C under Wine) once the events have shown: the
    // Windows build may take seconds longer to start.
    const std::vector<std::string> args = {"--sensors", "on", "--online-answer", "on", "--json", "listen"};
    SimLine linuxLine(kLine);
    SimLine windowsLine(kLine);
    auto onLinux = StartLinux(linuxLine, args);
    auto onWindows = StartWindows(windowsLine, args);
    ASSERT_TRUE(onLinux->WaitForOutput(kOpened, 10s));
    ASSERT_TRUE(onWindows->WaitForOutput(kOpened, 10s));
    // The same events on both lines, each once its predecessor has shown.
    const std::vector<std::pair<std::string, std::string>> events = {
        {"card G 123456789000", "\"event\": \"card\""},
        {"sensor H 31", "\"event\": \"sensor\""},
        {"online Ж 1 1234567890", "Автоответ в on-line режиме"},
    };
    for (const auto& [command, shown] : events) {
        linuxLine.process().Command(command, "", 100ms);
        windowsLine.process().Command(command, "", 100ms);
        EXPECT_TRUE(onLinux->WaitForOutput(shown, 5s)) << command;
        EXPECT_TRUE(onWindows->WaitForOutput(shown, 5s)) << command;
    }
    onLinux->Signal(SIGINT);
    onWindows->Signal(SIGINT);
    const Outcome linux = Finished(*onLinux, linuxLine.pty(), 30s);
    const Outcome windows = Finished(*onWindows, "COM1", 30s);
    EXPECT_EQ(linux.status, 0);
    EXPECT_EQ(windows.status, 0);
    // Monitor lines come from the receive thread, pop-ups and counters from
    // the UI thread: each stream in its own order.
    auto split = [](const std::string& out) {
        std::pair<std::string, std::string> streams;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            (line.find("\"event\": \"monitor\"") != std::string::npos ? streams.first : streams.second) += line + "\n";
        return streams;
    };
    const auto [linuxMonitor, linuxPopups] = split(linux.out);
    const auto [windowsMonitor, windowsPopups] = split(windows.out);
    EXPECT_EQ(windowsMonitor, linuxMonitor);
    EXPECT_EQ(windowsPopups, linuxPopups);
    EXPECT_NE(linuxPopups.find("\"event\": \"card\", \"index\": \"G\""), std::string::npos) << linux.out;
    EXPECT_NE(linuxMonitor.find("Порт закрыт."), std::string::npos) << linux.out;
    EXPECT_EQ(windows.err, linux.err);
}

// ---- the ends of listen

TEST_F(WineCli, LosingTheLineIsToldOnceAndEndsWithThePortLostStatus) {
    SimLine line(kLine);
    auto cli = StartWindows(line, {"listen"});
    ASSERT_TRUE(cli->WaitForOutput(kOpened, 10s));
    // Waiting on an idle line costs (next to) nothing; a reader that polled
    // or spun would use a good part of a core in these two seconds.
    std::this_thread::sleep_for(300ms);
    const double before = cli->CpuSeconds();
    ASSERT_GT(before, 0.0) << "no CPU time readable for the Wine process";  // starting Wine takes some
    std::this_thread::sleep_for(2s);
    const double idleCpu = cli->CpuSeconds() - before;
    EXPECT_LT(idleCpu, 0.2) << "CPU seconds used in two idle seconds";

    line.process().Signal(SIGTERM);  // the simulator ends: its pseudo-terminal hangs up
    EXPECT_EQ(cli->Wait(15s), 1);
    const std::string err = cli->Err();
    const std::string lost = "Порт COM1 недоступен.\n\nСвязь с COM-портом потеряна.";
    EXPECT_NE(err.find(lost), std::string::npos) << err;
    EXPECT_EQ(err.find(lost), err.rfind(lost)) << "told more than once:\n" << err;
    EXPECT_NE(cli->Out().find("Порт закрыт."), std::string::npos);
}

TEST_F(WineCli, CtrlCEndsListenCleanly) {
    SimLine line(kLine);
    auto cli = StartWindows(line, {"listen"});
    ASSERT_TRUE(cli->WaitForOutput(kOpened, 10s));
    // Wine hands SIGINT to the program as Ctrl+C.
    cli->Signal(SIGINT);
    EXPECT_EQ(cli->Wait(15s), 0);
    EXPECT_NE(cli->Out().find("COM1   ---   Порт закрыт.\n"), std::string::npos) << cli->Out();
    EXPECT_EQ(cli->Err(), "");
}

// ---- files, the port list, the port's messages

TEST_F(WineCli, WritesTheMonitorFileIntoACyrillicFolder) {
    const fs::path folder = wine.DriveC() / "tulex-тест" / "Журналы линии";
    fs::remove_all(wine.DriveC() / "tulex-тест");
    fs::create_directories(folder);
    SimLine line(kLine);
    auto cli = StartWindows(line, {"--monitor", "C:\\tulex-тест\\Журналы линии\\монитор.txt", "params", "G"});
    EXPECT_EQ(cli->Wait(30s), 0) << cli->Err();
    const std::string saved = ReadFile(folder / "монитор.txt");
    // Windows-1251, CR LF after every line and nothing doubled.
    EXPECT_NE(saved.find("COM1   ---   \xCF\xEE\xF0\xF2 \xEE\xF2\xEA\xF0\xFB\xF2."), std::string::npos) << saved;
    EXPECT_EQ(saved.find("\r\r"), std::string::npos);
    EXPECT_GE(saved.size(), 2u);
    EXPECT_EQ(saved.substr(saved.size() - 2), "\r\n");
    std::size_t lineFeeds = 0;
    for (std::size_t i = 0; i < saved.size(); ++i)
        if (saved[i] == '\n') {
            ++lineFeeds;
            EXPECT_TRUE(i > 0 && saved[i - 1] == '\r') << "a bare LF at byte " << i;
        }
    EXPECT_GE(lineFeeds, 4u);  // opened, the request, the answers, closed
    fs::remove_all(wine.DriveC() / "tulex-тест");
}

TEST_F(WineCli, PortsListsTheMappedCom1) {
    wine.StartServer();
    ChildProcess cli(wine.Command(WindowsCli(), {"ports"}), wine.Variables(), WineEnvironment::Unset());
    EXPECT_EQ(cli.Wait(30s), 0);
    const std::string out = "\n" + cli.Out();
    EXPECT_NE(out.find("\nCOM1\n"), std::string::npos) << out;
}

struct PortErrorCase {
    const char* name;
    std::vector<std::string> args;
    std::string message;
};

class WinePortErrors : public WineCli, public ::testing::WithParamInterface<PortErrorCase> {};

TEST_P(WinePortErrors, EndWithStatusThreeAndTheOperatorsMessage) {
    wine.StartServer();
    ChildProcess cli(wine.Command(WindowsCli(), GetParam().args), wine.Variables(), WineEnvironment::Unset());
    EXPECT_EQ(cli.Wait(30s), 3);
    EXPECT_EQ(cli.Err(), "Предупреждение: " + GetParam().message + "\n");
    EXPECT_EQ(cli.Out(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Ports, WinePortErrors,
    ::testing::Values(
        PortErrorCase{"NoSuchPort", {"--port", "COM99", "params", "G"}, "COM99 — неверный идентификатор COM-порта."},
        PortErrorCase{"NotACommunicationsDevice",
                      {"--port", "NUL", "params", "G"},
                      "Порт NUL недоступен.\n\nВозможно, порт используется другим приложением или службой."}),
    CaseName<PortErrorCase>);

}  // namespace
}  // namespace tulex::test
