// tulex-cli eeprom-test, line-test, relay-test, raw and search end to end:
// the program run as a child process against tulex-sim at the real limits,
// checked by its standard output, standard error, exit status and the frames
// that the simulator traced on the line.

#include <gtest/gtest.h>

#include <signal.h>

#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CliProcess.h"
#include "tests/support/LineFrames.h"
#include "tests/support/TempDir.h"
#include "tests/support/TracedSim.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

class DiagnosticsCli : public ::testing::Test {
protected:
    void Start(const std::string& scenario) {
        sim = std::make_unique<TracedSim>(scenario);
        ASSERT_FALSE(sim->port().empty());
    }
    std::vector<std::string> Args(std::vector<std::string> tail, std::vector<std::string> options = {}) const {
        std::vector<std::string> all{"-p", sim->port()};
        all.insert(all.end(), options.begin(), options.end());
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    }
    // The count at the end of an outcome text ("... Попыток — 7").
    static int AttemptsIn(const std::string& out) {
        const auto dash = out.rfind("— ");
        return dash == std::string::npos ? -1 : std::atoi(out.c_str() + dash + std::string("— ").size());
    }
    // The outcome of a test stopped after n requests: the finished text with
    // the count, then how many were sent and answered, with no time-out.
    static void ExpectStoppedTally(const std::string& out, const std::string& finished, int n) {
        const std::string head = "Информация\n" + finished + " Попыток — " + std::to_string(n) +
                                 "\nОтправлено: " + std::to_string(n) + ", ответов: ";
        EXPECT_EQ(out.rfind(head, 0), 0u) << out;
        const std::string tail = ", тайм-аутов: 0\n";
        EXPECT_TRUE(out.size() > tail.size() && out.compare(out.size() - tail.size(), tail.size(), tail) == 0) << out;
    }
    // Runs until the line saw at least n requests of the command.
    bool WaitForRequests(const std::string& command, std::size_t n) const {
        return sim->SettledRequests(command, n) >= n;
    }

    std::unique_ptr<TracedSim> sim;
};

// Ж gives its result 1.2 s after the request (one real countdown tick),
// with the positive reply; H at once, acknowledged, at the first buffer
// clearing; G fails its test.
TEST_F(DiagnosticsCli, EepromTestPrintsVerdictAndExitStatus) {
    Start(R"({"controllers": [{"index": "Ж", "reply": "positive", "eeprom_delay_ms": 1200},
                              {"index": "H", "eeprom_delay_ms": 0},
                              {"index": "G", "eeprom": "fail", "eeprom_delay_ms": 0}]})");
    struct Case {
        const char* index;
        bool json;
        std::string out;
        int status;
    };
    const Case cases[] = {
        {"Ж", true,
         "{\"state\": \"success\", \"title\": \"Информация\", \"text\": \"Тест памяти завершен успешно.\", "
         "\"index\": \"Ж\"}\n",
         0},
        {"H", false, "Информация\nТест памяти завершен успешно.\n", 0},
        {"G", false, "Информация\nТест памяти завершен с ошибкой.\n", 1},
        {"G", true,
         "{\"state\": \"failure\", \"title\": \"Информация\", \"text\": \"Тест памяти завершен с ошибкой.\", "
         "\"index\": \"G\"}\n",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.index) + (c.json ? " json" : ""));
        Cli cli(
            Args({"eeprom-test", c.index}, c.json ? std::vector<std::string>{"--json"} : std::vector<std::string>{}));
        EXPECT_EQ(cli.Wait(), c.status) << cli.Err();
        EXPECT_EQ(cli.Out(), c.out);
    }
    ASSERT_EQ(sim->SettledRequests("/8", 4), 4u);
    EXPECT_EQ(sim->SentRequests("/8")[0].bytes, "\xFF\xFF\xFF\xFF\xC6\xC6/8?(");
}

// Stopped by --seconds or by SIGINT, both as "Остановить"; the count is the
// number of requests the line saw.
TEST_F(DiagnosticsCli, LineTestStopsOnSecondsOrSigint) {
    Start(R"({"controllers": [{"index": "G"}]})");
    {
        Cli cli(Args({"line-test", "G", "--seconds", "0.5"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        const int n = AttemptsIn(cli.Out());
        ASSERT_GT(n, 1);
        EXPECT_EQ(sim->SettledRequests("$$02", n), static_cast<std::size_t>(n));
        ExpectStoppedTally(cli.Out(), "Тест линии завершен.", n);
    }
    {
        const std::size_t before = sim->SentRequests("$$02").size();
        Cli cli(Args({"line-test", "G"}));
        ASSERT_TRUE(WaitForRequests("$$02", before + 5));
        cli.Signal(SIGINT);
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        const int n = AttemptsIn(cli.Out());
        ASSERT_GE(n, 5);
        EXPECT_EQ(sim->SettledRequests("$$02", before + n), before + n);
        ExpectStoppedTally(cli.Out(), "Тест линии завершен.", n);
    }
}

// Nobody at H: the first request goes unanswered for the real 3 s.
TEST_F(DiagnosticsCli, LineTestOnAnEmptyIndexTimesOut) {
    Start(R"({"controllers": [{"index": "G"}]})");
    Cli cli(Args({"line-test", "H", "--seconds", "5"}));
    EXPECT_EQ(cli.Wait(), 1) << cli.Err();
    EXPECT_EQ(cli.Out(),
              "Информация\nВремя ожидания ответа истекло. Попыток — 1\nОтправлено: 1, ответов: 0 (0,0 %), "
              "тайм-аутов: 1\n");
}

// --monitor writes the test's lines in Windows-1251 with CR LF.
TEST_F(DiagnosticsCli, MonitorFileHoldsTheTestsLines) {
    Start(R"({"controllers": [{"index": "G"}]})");
    TempDir dir;
    const auto path = (dir.path() / "monitor.txt").string();
    Cli cli(Args({"line-test", "G", "--seconds", "0.3"}, {"--monitor", path}));
    EXPECT_EQ(cli.Wait(), 0) << cli.Err();
    const std::string monitor = ReadFile(path);
    const std::string request = "   " + sim->port() +
                                "   <\x97\x97   G   \x97   \xD2\xE5\xF1\xF2 \xEB\xE8\xED\xE8\xE8"
                                ": \xCF\xEE\xEF\xFB\xF2\xEA\xE0 1\r\n";  // "Тест линии: Попытка 1"
    EXPECT_NE(monitor.find(request), std::string::npos);
    EXPECT_NE(monitor.find("   CANCEL\r\n"), std::string::npos);
}

// Relay 3 holds for 0 (a trigger every 100 ms), relay 4 for the default 2.0 s.
TEST_F(DiagnosticsCli, RelayTestNeedsYesAndStopsLikeLineTest) {
    Start(R"({"controllers": [{"index": "G", "registers": {"16": "00"}}]})");
    {
        Cli cli(Args({"relay-test", "G", "3"}));
        EXPECT_EQ(cli.Wait(), 2);
        EXPECT_EQ(cli.Out(), "");
        EXPECT_NE(cli.Err().find("--yes"), std::string::npos);
        std::this_thread::sleep_for(20ms);  // anything written would reach the trace by now
        EXPECT_EQ(sim->Sent(), "");
    }
    {
        Cli cli(Args({"relay-test", "G", "3", "--seconds", "0.6"}, {"--yes"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        const int n = AttemptsIn(cli.Out());
        EXPECT_GE(n, 2);  // one trigger per 100 ms pause
        EXPECT_EQ(sim->SettledRequests("08", n), static_cast<std::size_t>(n));
        EXPECT_EQ(sim->SentRequests("$$16").size(), 1u);
        ExpectStoppedTally(cli.Out(), "Тест реле завершен.", n);
    }
    {
        Cli cli(Args({"relay-test", "G", "4", "--seconds", "0.5"}, {"--yes"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_EQ(cli.Out().rfind("Информация\nТест реле завершен.", 0), 0u) << cli.Out();
        EXPECT_EQ(sim->SettledRequests("$$17", 1), 1u);
    }
    for (const char* relay : {"0", "5", "x"}) {
        Cli cli(Args({"relay-test", "G", relay}, {"--yes"}));
        EXPECT_EQ(cli.Wait(), 2) << relay;
    }
}

TEST_F(DiagnosticsCli, RawSendsTextAsTyped) {
    Start(R"({"controllers": [{"index": "G"}]})");
    {
        Cli cli(Args({"raw", "G", "!1344"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_EQ(cli.Out(), "Информация\nКоманда отправлена.\n");
        ASSERT_EQ(sim->SettledRequests("!1344", 1), 1u);
        EXPECT_EQ(sim->SentRequests("!1344")[0].bytes, Request(kG, "!1344"));
    }
    {
        Cli cli(Args({"raw", "0x48", "$$02"}));  // nobody at H
        EXPECT_EQ(cli.Wait(), 1) << cli.Err();
        EXPECT_EQ(cli.Out(), "Информация\nВремя ожидания ответа истекло.\n");
        const auto requests = sim->SentRequests("$$02");
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].index, kH);
    }
}

// Index arguments outside the index table are refused before the port opens,
// with the texts of the window's index dialog.
TEST_F(DiagnosticsCli, RefusedArguments) {
    Start(R"({"controllers": [{"index": "G"}]})");
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
    std::this_thread::sleep_for(20ms);  // anything written would reach the trace by now
    EXPECT_EQ(sim->Sent(), "");
    Cli cli({"-p", "/dev/tulex-no-such-port", "eeprom-test", "G"});
    EXPECT_EQ(cli.Wait(), 3);
}

// G and Ж acknowledge, H gives only the positive reply, every empty index
// the error reply, so no probe waits its 300 ms.
TEST_F(DiagnosticsCli, SearchPrintsBothSets) {
    Start(R"({"line": {"absent": "error"},
              "controllers": [{"index": "G"}, {"index": "Ж"},
                              {"index": "H", "reply": "positive", "no_data_after_ack": true}]})");
    {
        Cli cli(Args({"search"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        // The sets, then the summary with the time the search took.
        EXPECT_TRUE(std::regex_match(cli.Out(), std::regex("present \\(2\\): G Ж\nreply-only \\(1\\): H\n"
                                                           "Поиск завершен: в линии 2, только ответ 1, "
                                                           "проверено 182 из 182, [0-9]+,[0-9] с\n")))
            << cli.Out();
        EXPECT_EQ(sim->SettledRequests("$$02", 182), 182u);
    }
    {
        Cli cli(Args({"search"}, {"--json"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_TRUE(std::regex_match(cli.Out(), std::regex("\\{\"present\": \\[\"G\", \"Ж\"\\], \"reply_only\": "
                                                           "\\[\"H\"\\], \"probed\": 182, \"seconds\": "
                                                           "[0-9]+\\.[0-9]{3}\\}\n")))
            << cli.Out();
    }
}

// SIGINT stops the search: the rest is not probed, what was found is printed.
TEST_F(DiagnosticsCli, SearchStopsOnSigintKeepingFound) {
    Start(R"({"controllers": [{"index": "G"}]})");
    Cli cli(Args({"search"}));
    ASSERT_TRUE(WaitForRequests("$$02", 5));
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(), 0) << cli.Err();
    EXPECT_EQ(
        cli.Out().rfind("present (1): G\nreply-only (0): \nПоиск завершен: в линии 1, только ответ 0, проверено ", 0),
        0u)
        << cli.Out();
    std::this_thread::sleep_for(20ms);  // the last probe reaches the trace
    EXPECT_LT(sim->SentRequests("$$02").size(), 182u);
}

}  // namespace
}  // namespace tulex::test
