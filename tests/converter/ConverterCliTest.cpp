// tulex-cli converter info | poll-range | raw, end to end: the program run as
// a child process against tulex-sim's converter (or a silent line), checked
// by its standard output, standard error and exit status.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "converter/ConverterReport.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Pty.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

namespace tulex {
namespace {

using test::CliRun;
using test::RunCli;

class ConverterCliTest : public ::testing::Test {
protected:
    // A simulated line with the converter's settings given as options.
    void StartSim(std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--controllers", "G", "--no-stdin"});
        sim = std::make_unique<sim::test::SimProcess>(options, simDir.path().string());
        const std::string first = sim->FirstLine();
        ASSERT_FALSE(first.empty());
        port = first.substr(first.find(' ') + 1);
    }
    CliRun Converter(std::vector<std::string> args, bool json = false) {
        std::vector<std::string> all{"-p", port};
        if (json) all.push_back("--json");
        all.push_back("converter");
        all.insert(all.end(), args.begin(), args.end());
        return RunCli(all);
    }

    test::TempDir simDir;
    std::unique_ptr<sim::test::SimProcess> sim;
    std::string port;
};

TEST_F(ConverterCliTest, InfoPrintsTheReport) {
    StartSim();
    const CliRun run = Converter({"info"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, BuildConverterReport("21C608") + "\n");
}

TEST_F(ConverterCliTest, InfoAsJsonWithAnUnknownVersionAndFastRs232) {
    StartSim({"--converter-version", "12", "--speed", "14"});
    const CliRun run = Converter({"info"}, true);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string report =
        "Версия: ?\\n\\nДиапазон опроса: G - Ж\\n\\nСкорость в линии RS232, бит/с: 115200\\n\\n"
        "Скорость в линии RS485, бит/с: 38400\\n\\nВремя ожидания ответа от контроллера, мс: ?";
    EXPECT_EQ(run.out, "{\"state\": \"report\", \"messages\": [{\"caption\": \"Информация\", \"text\": \"" + report +
                           "\"}], \"report\": \"" + report + "\"}\n");
}

TEST_F(ConverterCliTest, PollRangeChangesWhatTheNextReadShows) {
    StartSim();
    CliRun run = Converter({"poll-range", " H "});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Диапазон опроса изменен\n");
    run = Converter({"info"});
    EXPECT_NE(run.out.find("Диапазон опроса: G - H\n"), std::string::npos) << run.out;
}

TEST_F(ConverterCliTest, RefusedPollRangeGoesToStandardErrorWithStatus2) {
    StartSim();
    struct {
        const char* text;
        const char* err;
    } cases[] = {
        {"Ж1", "Информация: Ж1 — неверное значение.\n"},
        {"G", "Предупреждение: G — неверное значение.\n"},
        {"", "Предупреждение: Неверное значение.\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = Converter({"poll-range", c.text});
        EXPECT_EQ(run.status, 2) << c.text;
        EXPECT_EQ(run.out, "") << c.text;
        EXPECT_EQ(run.err, c.err) << c.text;
    }
}

TEST_F(ConverterCliTest, RawCommandOutcomes) {
    StartSim();
    CliRun run = Converter({"raw", "1Ж"});  // the converter accepts it as a poll range change
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Команда отправлена.\n");

    run = Converter({"raw", ""}, true);  // an empty command: the converter refuses it
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out,
              "{\"state\": \"failure\", \"messages\": [{\"caption\": \"Информация\", \"text\": "
              "\"Параметры преобразователя недоступны.\"}], \"report\": \"\"}\n");

    run = Converter({"raw", "A☃"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("«☃»"), std::string::npos) << run.err;
}

// Nobody answers on this line: the read times out after the first request.
TEST(ConverterCliSilentLine, TimeOutIsAFailure) {
    test::Pty pty;
    ASSERT_TRUE(pty.ok());
    const CliRun run = RunCli({"-p", pty.slavePath(), "--monitor", "-", "converter", "info"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Время ожидания ответа истекло.\n");
    EXPECT_NE(run.err.find("   TIMEOUT\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Диапазон опроса"), std::string::npos) << "only the first request goes out";
}

TEST(ConverterCliUsage, BadArgumentsAndPorts) {
    struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"-p", "/dev/null", "converter"}, 2},
        {{"-p", "/dev/null", "converter", "info", "extra"}, 2},
        {{"-p", "/dev/null", "converter", "poll-range"}, 2},
        {{"-p", "/dev/null", "converter", "reboot"}, 2},
        {{"-p", "/nonexistent/ttyX", "converter", "info"}, 3},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.back();
        EXPECT_EQ(run.out, "") << c.args.back();
    }
}

}  // namespace
}  // namespace tulex
