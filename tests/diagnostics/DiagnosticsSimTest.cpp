// The diagnostic commands and the search end to end: tulex-cli against
// tulex-sim's virtual line.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/CliProcess.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

namespace tulex::test {
namespace {

class DiagnosticsSim : public ::testing::Test {
protected:
    void StartSim(std::vector<std::string> options) {
        options.push_back("--no-stdin");
        sim = std::make_unique<sim::test::SimProcess>(options, simDir.path().string());
        const std::string first = sim->FirstLine();
        ASSERT_FALSE(first.empty());
        port = first.substr(first.find(' ') + 1);
    }
    std::vector<std::string> Args(std::vector<std::string> tail, std::vector<std::string> options = {}) {
        std::vector<std::string> all{"-p", port};
        all.insert(all.end(), options.begin(), options.end());
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    }

    TempDir simDir;
    std::unique_ptr<sim::test::SimProcess> sim;
    std::string port;
};

TEST_F(DiagnosticsSim, MemoryTestPassesOrFailsAsTheControllerSays) {
    StartSim({"--controllers", "G,Ж", "--eeprom-delay", "1200"});
    {
        Cli cli(Args({"eeprom-test", "Ж"}));  // one real countdown tick
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_EQ(cli.Out(), "Информация\nТест памяти завершен успешно.\n");
    }
    sim.reset();
    StartSim({"--controllers", "G", "--eeprom-delay", "100", "--eeprom-fail"});
    Cli cli(Args({"--json", "eeprom-test", "G"}));
    EXPECT_EQ(cli.Wait(), 1) << cli.Err();
    EXPECT_EQ(cli.Out(),
              "{\"state\": \"failure\", \"title\": \"Информация\", \"text\": \"Тест памяти завершен с "
              "ошибкой.\", \"index\": \"G\"}\n");
}

TEST_F(DiagnosticsSim, LineAndRelayTestsRunUntilStopped) {
    StartSim({"--controllers", "G"});
    {
        Cli cli(Args({"line-test", "G", "--seconds", "0.5"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_EQ(cli.Out().rfind("Информация\nТест линии завершен. Попыток — ", 0), 0u) << cli.Out();
    }
    {
        Cli cli(Args({"relay-test", "G", "4", "--seconds", "0.5"}, {"--yes"}));
        EXPECT_EQ(cli.Wait(), 0) << cli.Err();
        EXPECT_EQ(cli.Out().rfind("Информация\nТест реле завершен.", 0), 0u) << cli.Out();
    }
    {
        Cli cli(Args({"line-test", "H", "--seconds", "5"}));  // nobody at H
        EXPECT_EQ(cli.Wait(), 1) << cli.Err();
        EXPECT_EQ(cli.Out(), "Информация\nВремя ожидания ответа истекло. Попыток — 1\n");
    }
}

}  // namespace
}  // namespace tulex::test
