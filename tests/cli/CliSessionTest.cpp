// tulex-cli's session streams the monitor: every line goes to the --monitor
// file (through its buffer) and none stays in memory, and a file that cannot
// be written is noticed at once.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/CliSession.h"
#include "line/Cp1251.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace tulex::cli {
namespace {

using test::Pty;
using test::TempDir;

constexpr int kFrames = 5000;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t CountLines(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
    return n;
}

class Streaming : public ::testing::Test {
protected:
    CliOptions Options(const std::string& monitorPath) {
        CliOptions options;
        options.port = pty.slavePath();
        options.monitorPath = monitorPath;
        return options;
    }
    // Puts kFrames acknowledgements on the line and runs the session until
    // the observer has seen them all (or the file failed).
    void Flood(CliSession& session, std::atomic<int>& seen) {
        ASSERT_TRUE(pty.Send(std::string(kFrames, '!')));
        session.RunUntil([&] { return seen.load() >= kFrames || session.MonitorFailed(); }, 20.0);
    }

    Pty pty;
    TempDir dir;
};

TEST_F(Streaming, EveryLineReachesTheFileAndNoneIsKept) {
    const std::string path = (dir.path() / "monitor.txt").string();
    {
        CliSession session(Options(path));
        std::atomic<int> seen{0};
        session.SetMonitorObserver([&](std::string_view line) {
            // "!" is logged as OK. The session's loop sleeps until woken.
            if (line.ends_with("OK") && ++seen == kFrames) session.dispatcher().Wake();
        });
        ASSERT_EQ(session.Open(), kExitSuccess);
        Flood(session, seen);
        EXPECT_EQ(seen.load(), kFrames);
        EXPECT_EQ(session.session().monitor().Count(), 0u);
        EXPECT_FALSE(session.MonitorFailed());
    }
    // The opening line, every acknowledgement and the closing line.
    EXPECT_EQ(CountLines(ReadAll(path)), static_cast<std::size_t>(kFrames + 2));
}

TEST_F(Streaming, AFullDiskIsNoticedAtTheFirstLine) {
    CliSession session(Options("/dev/full"));
    std::atomic<int> seen{0};
    session.SetMonitorObserver([&](std::string_view) { ++seen; });
    ASSERT_EQ(session.Open(), kExitSuccess);
    EXPECT_TRUE(session.MonitorFailed());  // the port's opening line already failed
    EXPECT_TRUE(MonitorFileFailedInProcess());
}

}  // namespace
}  // namespace tulex::cli
