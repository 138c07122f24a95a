// tulex-cli eeprom-test, line-test, relay-test, raw and search run as a
// program against a pseudo-terminal line on which the test plays the
// controllers: standard output, standard error, exit status and the bytes on
// the line.

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/diagnostics/LinePlayer.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

class DiagnosticsCli : public ::testing::Test {
protected:
    std::vector<std::string> Args(std::vector<std::string> tail, std::vector<std::string> options = {}) {
        std::vector<std::string> all{"-p", pty.slavePath()};
        all.insert(all.end(), options.begin(), options.end());
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    }
    // A controller at index that acknowledges every request and hands over
    // `data` when polled.
    void Controller(std::uint8_t index, const std::string& data = "") {
        player.SetScript([=](const SeenFrame& f) -> std::string {
            if (f.index != index) return {};
            if (f.kind == SeenFrame::Kind::Short) return data.empty() ? Ack() : DataReply(index, data) + Ack();
            return Ack();
        });
    }
    // The count of the outcome text, and the number of requests the line
    // saw (given time to take in the last one, written just before exit).
    static int AttemptsIn(const std::string& out) {
        const auto dash = out.rfind("— ");
        return dash == std::string::npos ? -1 : std::atoi(out.c_str() + dash + std::string("— ").size());
    }
    std::size_t SettledCount(const std::string& command, std::size_t expected) const {
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (CountRequests(command) < expected && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(2ms);
        return CountRequests(command);
    }
    std::size_t CountRequests(const std::string& command) const {
        const auto r = player.Requests();
        return static_cast<std::size_t>(
            std::count_if(r.begin(), r.end(), [&](const SeenFrame& f) { return f.command == command; }));
    }

    Pty pty;
    LinePlayer player{pty};
};

TEST_F(DiagnosticsCli, EepromTestPrintsVerdictAndExitStatus) {
    struct Case {
        std::string data;
        bool json;
        std::string out;
        int status;
    };
    const Case cases[] = {
        {"21", false, "Информация\nТест памяти завершен успешно.\n", 0},
        {"45", false, "Информация\nТест памяти завершен с ошибкой.\n", 1},
        {"21", true,
         "{\"state\": \"success\", \"title\": \"Информация\", \"text\": \"Тест памяти завершен успешно.\", "
         "\"index\": \"Ж\"}\n",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        Controller(0xC6, c.data);
        Cli cli(Args({"eeprom-test", "Ж"}, c.json ? std::vector<std::string>{"--json"} : std::vector<std::string>{}));
        EXPECT_EQ(cli.Wait(), c.status) << cli.Err();
        EXPECT_EQ(cli.Out(), c.out);
    }
    const auto requests = player.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].bytes, "\xFF\xFF\xFF\xFF\xC6\xC6/8?(");
}

// Stopped by --seconds or by SIGINT, both as "Остановить"; --monitor writes
// the monitor in Windows-1251 with CR LF.
TEST_F(DiagnosticsCli, LineTestStopsOnSecondsOrSigint) {
    Controller(0x47);
    {
        Cli cli(Args({"line-test", "G", "--seconds", "0.5"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        const int n = AttemptsIn(cli.Out());
        ASSERT_GT(n, 1);
        EXPECT_EQ(SettledCount("$$02", n), static_cast<std::size_t>(n));
        EXPECT_EQ(cli.Out(), "Информация\nТест линии завершен. Попыток — " + std::to_string(n) + "\n");
    }
    {
        const std::size_t before = CountRequests("$$02");
        Cli cli(Args({"line-test", "G"}));
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (CountRequests("$$02") < before + 5 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(2ms);
        cli.Signal(SIGINT);
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        const int n = AttemptsIn(cli.Out());
        ASSERT_GE(n, 5);
        EXPECT_EQ(SettledCount("$$02", before + n), before + n);
        EXPECT_EQ(cli.Out(), "Информация\nТест линии завершен. Попыток — " + std::to_string(n) + "\n");
    }
}

TEST_F(DiagnosticsCli, MonitorFileHoldsTheTestsLines) {
    Controller(0x47);
    TempDir dir;
    const auto path = (dir.path() / "monitor.txt").string();
    Cli cli(Args({"line-test", "G", "--seconds", "0.3"}, {"--monitor", path}));
    EXPECT_EQ(cli.Wait(), 0) << cli.Err();
    const std::string monitor = ReadFile(path);
    const std::string request = "   " + pty.slavePath() +
                                "   <\x97\x97   G   \x97   \xD2\xE5\xF1\xF2 \xEB\xE8\xED\xE8\xE8"
                                ": \xCF\xEE\xEF\xFB\xF2\xEA\xE0 1\r\n";  // "Тест линии: Попытка 1"
    EXPECT_NE(monitor.find(request), std::string::npos);
    EXPECT_NE(monitor.find("   CANCEL\r\n"), std::string::npos);
}

TEST_F(DiagnosticsCli, RelayTestNeedsYesAndStopsLikeLineTest) {
    Controller(0x47, "00");
    {
        Cli cli(Args({"relay-test", "G", "3"}));
        EXPECT_EQ(cli.Wait(), 2);
        EXPECT_EQ(cli.Out(), "");
        EXPECT_NE(cli.Err().find("--yes"), std::string::npos);
        EXPECT_TRUE(player.Frames().empty());
    }
    {
        Cli cli(Args({"relay-test", "G", "3", "--seconds", "0.6"}, {"--yes"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        const int n = AttemptsIn(cli.Out());
        EXPECT_GE(n, 2);  // one trigger per 100 ms pause
        EXPECT_EQ(SettledCount("08", n), static_cast<std::size_t>(n));
        EXPECT_EQ(CountRequests("$$16"), 1u);
        EXPECT_EQ(cli.Out(), "Информация\nТест реле завершен. Попыток — " + std::to_string(n) + "\n");
    }
    for (const char* relay : {"0", "5", "x"}) {
        Cli cli(Args({"relay-test", "G", relay}, {"--yes"}));
        EXPECT_EQ(cli.Wait(), 2) << relay;
    }
}

TEST_F(DiagnosticsCli, RawSendsTextAsTyped) {
    Controller(0x47);
    {
        Cli cli(Args({"raw", "G", "!134"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_EQ(cli.Out(), "Информация\nКоманда отправлена.\n");
        ASSERT_FALSE(player.Requests().empty());
        EXPECT_EQ(player.Requests()[0].bytes, "\xFF\xFF\xFF\xFFGG!134?(");
    }
    {
        Cli cli(Args({"raw", "0x48", "$$02"}));  // nobody at H
        EXPECT_EQ(cli.Wait(), 1) << cli.Err();
        EXPECT_EQ(cli.Out(), "Информация\nВремя ожидания ответа истекло.\n");
        EXPECT_EQ(player.Requests().back().index, 0x48);
    }
}

// Index arguments outside the index table are refused before the port opens,
// with the texts of the window's index dialog.
TEST_F(DiagnosticsCli, RefusedArguments) {
    struct Case {
        std::vector<std::string> args;
        std::string err;  // expected in standard error ("" any)
    };
    const Case cases[] = {
        {{"eeprom-test", "A"}, "Предупреждение: A — неверное значение.\n"},
        {{"eeprom-test", "0xFD"}, "Предупреждение: э — неверное значение.\n"},
        {{"eeprom-test", " "}, "Предупреждение: Неверное значение.\n"},
        {{"line-test", "GG"}, "Информация: GG — неверное значение.\n"},
        {{"raw", ""}, ""},
        {{"raw", "G"}, ""},
        {{"line-test", "G", "--seconds", "x"}, ""},
        {{"search", "G"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        Cli cli(Args(c.args));
        EXPECT_EQ(cli.Wait(), 2);
        if (!c.err.empty()) {
            EXPECT_EQ(cli.Err(), c.err);
        }
        EXPECT_EQ(cli.Out(), "");
    }
    EXPECT_TRUE(player.Frames().empty());
    Cli cli({"-p", "/dev/tulex-no-such-port", "eeprom-test", "G"});
    EXPECT_EQ(cli.Wait(), 3);
}

// Real limits, so that each answer is credited to its own index; the error
// replies of everybody else keep the search short.
TEST_F(DiagnosticsCli, SearchPrintsBothSets) {
    const std::set<std::uint8_t> acknowledging = {0x47, 0xC6};
    const std::set<std::uint8_t> positive = {0x48};
    player.SetScript([acknowledging, positive](const SeenFrame& f) -> std::string {
        if (acknowledging.count(f.index)) return Ack();
        if (positive.count(f.index)) return Positive();
        return ErrorReply();
    });
    {
        Cli cli(Args({"search"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_EQ(cli.Out(), "present (2): G Ж\nreply-only (1): H\n");
        EXPECT_EQ(player.Requests().size(), 182u);
    }
    {
        Cli cli(Args({"search"}, {"--json"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_EQ(cli.Out(), "{\"present\": [\"G\", \"Ж\"], \"reply_only\": [\"H\"]}\n");
    }
}

// SIGINT stops the search: the rest is not probed, what was found is printed.
TEST_F(DiagnosticsCli, SearchStopsOnSigintKeepingFound) {
    player.SetScript([](const SeenFrame& f) { return f.index == 0x47 ? Ack() : std::string(); });
    Cli cli(Args({"search"}));
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (player.Requests().size() < 5 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(), 0) << cli.Err();
    EXPECT_EQ(cli.Out(), "present (1): G\nreply-only (0): \n");
    EXPECT_LT(player.Requests().size(), 182u);
}

}  // namespace
}  // namespace tulex::test
