// tulex-cli check, params, set-index, mode, preset, relay-time and
// master-card end to end: the program run as a child process against
// tulex-sim, checked by its standard output, standard error, exit status and
// the frames that the simulator traced on the line.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "line/HexDigits.h"
#include "tests/support/CliProcess.h"
#include "tests/support/LineFrames.h"
#include "tests/support/TempDir.h"
#include "tests/support/TracedSim.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

class ControllerCli : public ::testing::Test {
protected:
    // A line described by a scenario (JSON), traced to a file.
    void StartSim(const std::string& scenario) {
        sim = std::make_unique<TracedSim>(scenario);
        ASSERT_FALSE(sim->port().empty());
    }
    CliRun Cli(std::vector<std::string> args, std::vector<std::string> options = {}) {
        std::vector<std::string> all{"-p", sim->port()};
        all.insert(all.end(), options.begin(), options.end());
        all.insert(all.end(), args.begin(), args.end());
        return RunCli(all);
    }
    // The bytes the PC sent, as hex, from the simulator's trace, with repeated
    // buffer-clearing passes folded into one.
    std::string SentHex() {
        std::this_thread::sleep_for(20ms);  // the last lines reach the file
        return HexBytes(FoldClearPasses(sim->Sent()));
    }

    std::unique_ptr<TracedSim> sim;
};

const char* const kDoorLine = R"({"controllers": [{"index": "G", "type": "65",
    "registers": {"13": "43", "10": "FF", "11": "01", "16": "14", "17": "14", "12": "14", "18": "63", "19": "73",
                  "14": "1E", "15": "0A", "20": "00", "21": "00", "22": "1A", "23": "2B", "24": "3C"}}]})";

TEST_F(ControllerCli, CheckPrintsTheBalloonAndLogsTheExchange) {
    StartSim(kDoorLine);
    const CliRun run = Cli({"check", "G"}, {"--monitor", "-"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Информация\nКонтроллер есть в линии.\n");
    EXPECT_EQ(SentHex(), HexBytes(Request(kG, "$$02") + kClear + Poll(kG)));
    for (const char* expected :
         {"<——   G   —   Проверка наличия контроллера\n", "——>   OK\n", "<——   G   —   Чистка буфера контроллера\n",
          "<——   G   —   Запрос контроллера\n", "——>   G:47?\n"})
        EXPECT_NE(run.err.find(expected), std::string::npos) << expected << "\n" << run.err;
}

TEST_F(ControllerCli, CheckFailures) {
    StartSim(R"({"line": {"absent": "silent"}, "controllers": [{"index": "G", "error": true}]})");
    CliRun run = Cli({"check", "G"}, {"--json"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out,
              "{\"state\": \"failure\", \"title\": \"Информация\", \"text\": \"Контроллера нет в линии.\", "
              "\"index\": \"G\"}\n");
    run = Cli({"check", "H"}, {"--monitor", "-"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "Информация\nВремя ожидания ответа истекло.\n");
    EXPECT_NE(run.err.find("   TIMEOUT\n"), std::string::npos) << run.err;
}

TEST_F(ControllerCli, ParamsPrintsTheReport) {
    StartSim(kDoorLine);
    CliRun run = Cli({"params", "G"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Параметры контроллера с индексом G\n"
              "Тип и версия: ОРТИН-31 версия 8.5\n"
              "Режим работы: off-line\n\n"
              "Время удержания реле:\n"
              "Реле 1 — INF    Реле 3 — 2.0 с\n"
              "Реле 2 — 0.1 с    Реле 4 — 2.0 с\n\n"
              "Индикация запрета — 2.0 с\n\n"
              "Управление-контроль входов:\n"
              "1   2   3   4   5   6   7   8\n"
              "+  +  —  —  —  +  +  —\n"
              "+  +  —  —  +  +  +  —\n\n"
              "Отпускание реле 1 по датчику — Да\n"
              "Отпускание реле 2 по датчику — Да\n"
              "Блокировка считывателей — Нет\n");
    EXPECT_EQ(SentHex(), HexBytes(Request(kG, "$$02011310111617121819") + kClear + Poll(kG)));
    run = Cli({"params", "0x47"}, {"--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("{\"state\": \"report\", \"title\": \"Параметры контроллера с индексом G\", \"text\": "
                            "\"Тип и версия: ОРТИН-31 версия 8.5\\nРежим работы: off-line\\n\\n",
                            0),
              0u)
        << run.out;
}

TEST_F(ControllerCli, ParamsWithoutTheDataReplyTimesOut) {
    StartSim(R"({"controllers": [{"index": "G", "no_data_after_ack": true}]})");
    const CliRun run = Cli({"params", "G"}, {"--monitor", "-"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "Информация\nВремя ожидания ответа истекло.\n");
    EXPECT_NE(run.err.find("   TIMEOUT\n"), std::string::npos);
}

TEST_F(ControllerCli, SetIndexRenamesAndRefusesBadIndexes) {
    StartSim(kDoorLine);
    CliRun run = Cli({"set-index", "G", " H "}, {});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Информация\nКонтроллер переименован.\n");
    EXPECT_EQ(SentHex(), HexBytes(Request(kH, "$$02") + Request(kG, "$0HH") + Request(kH, "$$02") + kClear + Poll(kH)));
    EXPECT_EQ(Cli({"check", "H"}).status, 0);
    // The index is taken now.
    run = Cli({"set-index", "0x47", "H"}, {});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Информация\nКонтроллер с индексом H уже есть в линии.\n");

    const struct {
        const char* typed;
        const char* message;
    } refused[] = {
        {"HH", "Информация: HH — неверное значение.\n"},      {"F", "Предупреждение: F — неверное значение.\n"},
        {"0x46", "Предупреждение: F — неверное значение.\n"}, {"0xFD", "Предупреждение: э — неверное значение.\n"},
        {"  ", "Предупреждение: Неверное значение.\n"},
    };
    const std::string before = SentHex();
    for (const auto& r : refused) {
        run = Cli({"set-index", "H", r.typed});
        EXPECT_EQ(run.status, 2) << r.typed;
        EXPECT_EQ(run.err, r.message) << r.typed;
        EXPECT_EQ(run.out, "") << r.typed;
    }
    EXPECT_EQ(SentHex(), before) << "nothing sent for refused input";
}

TEST_F(ControllerCli, IndexArgumentsAreCheckedLikeTheDialog) {
    StartSim(R"({"controllers": [{"index": "Ж"}]})");
    CliRun run = Cli({"check", "Ж"});
    EXPECT_EQ(run.status, 0) << run.err;
    run = Cli({"check", "0xc6"}, {"--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"index\": \"Ж\""), std::string::npos) << run.out;
    EXPECT_EQ(SentHex(),
              HexBytes(Request(0xC6, "$$02") + kClear + Poll(0xC6) + Request(0xC6, "$$02") + kClear + Poll(0xC6)));
    const struct {
        const char* index;
        const char* message;
    } refused[] = {
        {"F", "Предупреждение: F — неверное значение.\n"},    {"0x46", "Предупреждение: F — неверное значение.\n"},
        {"GG", "Информация: GG — неверное значение.\n"},      {"", "Предупреждение: Неверное значение.\n"},
        {"0xFF", "Предупреждение: я — неверное значение.\n"},
    };
    for (const auto& r : refused) {
        run = Cli({"check", r.index});
        EXPECT_EQ(run.status, 2) << r.index;
        EXPECT_EQ(run.err, r.message) << r.index;
    }
}

TEST_F(ControllerCli, ModeKeepsTheOptionBits) {
    StartSim(R"({"controllers": [{"index": "G", "registers": {"13": "47"}}]})");
    const struct {
        const char* mode;
        const char* write;
        const char* result;
    } modes[] = {{"offline", "!1347", "Off-line режим установлен."},
                 {"online", "!1307", "On-line режим установлен."},
                 {"autonomous", "!1367", "Автономный режим установлен."}};
    std::string expected;
    for (const auto& m : modes) {
        const CliRun run = Cli({"mode", "G", m.mode});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, std::string("Информация\n") + m.result + "\n");
        if (!expected.empty()) expected += ' ';
        expected += HexBytes(Request(kG, "$$13") + kClear + Poll(kG) + Request(kG, m.write) + kClear + Poll(kG));
    }
    EXPECT_EQ(SentHex(), expected);
}

TEST_F(ControllerCli, PresetNeedsYes) {
    StartSim(kDoorLine);
    CliRun run = Cli({"preset", "G", "2"});
    EXPECT_EQ(run.status, 2) << "no terminal: the question is answered No";
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(SentHex(), "");
    const char* commands[] = {"!13401014111416141714121418031913", "!13431014111416141714121418631973",
                              "!134710051105160517051214182F191F", "!134710051105160517051214186F195F",
                              "!1300100F110F161E170A121418FF19FF"};
    std::string expected;
    for (int n = 1; n <= 5; ++n) {
        run = Cli({"preset", "G", std::to_string(n)}, {"--yes"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "Информация\nПраметры контроллера изменены.\n");
        if (!expected.empty()) expected += ' ';
        expected += HexBytes(Request(kG, commands[n - 1]) + kClear + Poll(kG));
    }
    EXPECT_EQ(SentHex(), expected);
}

TEST_F(ControllerCli, RelayTimeGoesThroughTheDialogCheck) {
    StartSim(kDoorLine);
    const struct {
        const char* relay;
        const char* text;
        const char* command;
    } accepted[] = {{"1", "0.15", "!1001"}, {"1", "2.5", "!1019"}, {"3", "25.5", "!16FF"}, {"4", "1", "!170A"}};
    std::string expected;
    for (const auto& a : accepted) {
        const CliRun run = Cli({"relay-time", "G", a.relay, a.text});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "Информация\nВремя удержания реле установлено.\n");
        if (!expected.empty()) expected += ' ';
        expected += HexBytes(Request(kG, a.command) + kClear + Poll(kG));
    }
    for (const char* text : {"25.6", "0.09", "2,5"}) {
        const CliRun run = Cli({"relay-time", "G", "2", text});
        EXPECT_EQ(run.status, 2) << text;
        EXPECT_EQ(run.err, std::string("Информация: ") + text +
                               " — неверное значение.\n\nДиапазон значений времени: 0.1 — 25.5 с\n");
    }
    EXPECT_EQ(SentHex(), expected);
}

TEST_F(ControllerCli, MasterCardSetAndRead) {
    StartSim(kDoorLine);
    CliRun run = Cli({"master-card", "G", "set"});
    EXPECT_EQ(run.status, 2);
    run = Cli({"master-card", "G", "set"}, {"--yes"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Информация\nПоднесите мастер-карту.\n");
    run = Cli({"master-card", "G", "read"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Информация\n\nНомер мастер-карты — 00001A2B3C\n\nВремя ожидания мастер-карты — 3 с\n\n"
              "Время удержания для очистки памяти — 1 с\n");
    EXPECT_EQ(SentHex(),
              HexBytes(Request(kG, "$4") + kClear + Poll(kG) + Request(kG, "$$20212223241415") + kClear + Poll(kG)));
}

TEST_F(ControllerCli, UsageErrorsAndPortFailures) {
    StartSim(kDoorLine);
    const std::vector<std::vector<std::string>> usage = {
        {"check"},          {"check", "G", "H"},           {"mode", "G", "sideways"}, {"preset", "G", "6"},
        {"preset", "G"},    {"relay-time", "G", "5", "1"}, {"relay-time", "G", "1"},  {"master-card", "G", "write"},
        {"set-index", "G"}, {"params", "G", "x"},
    };
    for (const auto& args : usage) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("Usage:"), std::string::npos) << run.err;
    }
    EXPECT_EQ(SentHex(), "");
    const TempDir dir;
    const CliRun run = RunCli({"-p", (dir.path() / "no-such-port").string(), "check", "G"});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace tulex::test
