// tulex-cli run by a user whom the port's permissions keep out (not in the
// group dialout): the port's message says what to do, and `ports` marks the
// ports that user cannot open while openable ones stay one bare name a line.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/CliProcess.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "tests/support/Unprivileged.h"

namespace tulex::test {
namespace {

namespace fs = std::filesystem;

// What exec's failure leaves: the program cannot be reached by that user.
constexpr int kCannotRun = 127;

class CliPermissions : public ::testing::Test {
protected:
    CliPermissions() {
        // Readable and writable by the unprivileged user: the output files
        // and the announced virtual lines live here.
        fs::permissions(dir.path(), fs::perms::all);
    }

    // tulex-cli as the unprivileged user, with the virtual lines of simDir.
    CliRun RunCliUnprivileged(const std::vector<std::string>& args) {
        const fs::path out = dir.path() / "out";
        const fs::path err = dir.path() / "err";
        const std::string simDir = (dir.path() / "sim").string();
        CliRun run;
        run.status = RunUnprivileged([&] {
            setenv("TULEX_SIM_DIR", simDir.c_str(), 1);
            ExecCli(args, out, err);
            return kCannotRun;
        });
        run.out = ReadFile(out);
        run.err = ReadFile(err);
        return run;
    }

    // A virtual line announced as `name` whose device has the given mode.
    void Announce(const Pty& pty, const std::string& name, mode_t mode) {
        fs::create_directories(dir.path() / "sim");
        fs::permissions(dir.path() / "sim", fs::perms::all);
        fs::create_symlink(pty.slavePath(), dir.path() / "sim" / name);
        ASSERT_EQ(chmod(pty.slavePath().c_str(), mode), 0);
    }

    TempDir dir;
};

#define SKIP_IF_UNREACHABLE(run)                                                                    \
    if ((run).status == kCannotRun)                                                                 \
        GTEST_SKIP() << "the unprivileged user cannot reach " TULEX_CLI_PROGRAM " on this machine"; \
    ASSERT_NE((run).status, kCannotDropRoot)

TEST_F(CliPermissions, OpenWithoutRightsSaysToJoinDialout) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(chmod(pty.slavePath().c_str(), 0), 0);
    const CliRun run = RunCliUnprivileged({"-p", pty.slavePath(), "check", "G"});
    SKIP_IF_UNREACHABLE(run);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    // The window's warning, its text kept, and one line more.
    EXPECT_EQ(run.err, "Предупреждение: Порт " + pty.slavePath() +
                           " недоступен.\n\nВозможно, порт используется другим приложением или службой.\n"
                           "Нет прав на порт: добавьте пользователя в группу dialout и войдите заново.\n");
}

TEST_F(CliPermissions, PortsMarksThoseTheUserCannotOpen) {
    Pty open, closed;
    ASSERT_TRUE(open.ok() && closed.ok());
    Announce(open, "SIM1", 0666);
    Announce(closed, "SIM2", 0);
    const CliRun run = RunCliUnprivileged({"ports"});
    SKIP_IF_UNREACHABLE(run);
    EXPECT_EQ(run.status, 0);
    // The machine's own serial devices are listed too, sorted in among them.
    std::vector<std::string> lines;
    std::istringstream in(run.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    const auto sim1 = std::find(lines.begin(), lines.end(), "SIM1");
    EXPECT_NE(sim1, lines.end()) << run.out;
    EXPECT_EQ(std::next(sim1), std::find(lines.begin(), lines.end(), "SIM2  (нет прав)")) << run.out;
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace tulex::test
