// Every GUI-free test program of the Windows build, each run once under Wine
// (a Wine start costs about 0.4 s, so a program is not started per test),
// with COM1 on a fresh tulex-sim line of controllers G and H for the tests
// that reach a real port. A program passes when it ends with status 0.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/wine/SimLine.h"
#include "tests/wine/WineEnvironment.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

// windows-tests.txt of the Windows build: one program per line.
std::vector<std::string> WindowsTestPrograms() {
    std::vector<std::string> programs;
    std::ifstream in(WineEnvironment::WindowsBuild() / "windows-tests.txt");
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) programs.push_back(line);
    return programs;
}

std::string Tail(const std::string& text, std::size_t bytes = 6000) {
    return text.size() <= bytes ? text : "...\n" + text.substr(text.size() - bytes);
}

TEST(WindowsTestPrograms, AreBuilt) {
    // Without the list the programs below would silently be none.
    EXPECT_FALSE(WindowsTestPrograms().empty())
        << "no test programs listed in " << (WineEnvironment::WindowsBuild() / "windows-tests.txt").string();
}

class WindowsTestProgram : public ::testing::TestWithParam<std::string> {};

TEST_P(WindowsTestProgram, PassesUnderWine) {
    WineEnvironment& wine = WineEnvironment::Instance();
    ASSERT_EQ(wine.error(), "");
    SimLine line({"--controllers", "G,H"});
    ASSERT_FALSE(line.pty().empty()) << "tulex-sim did not start";
    ASSERT_TRUE(wine.MapCom1(line.pty()));
    wine.StartServer();
    ChildProcess program(wine.Command(GetParam(), {}), wine.Variables(), WineEnvironment::Unset());
    const int status = program.Wait(4min);
    EXPECT_EQ(status, 0) << Tail(program.Out()) << Tail(program.Err(), 2000);
}

std::string ProgramName(const ::testing::TestParamInfo<std::string>& info) {
    return std::filesystem::path(info.param).stem().string();
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowsTestProgram, ::testing::ValuesIn(WindowsTestPrograms()), ProgramName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(WindowsTestProgram);

}  // namespace
}  // namespace tulex::test
