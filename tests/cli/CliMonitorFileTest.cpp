// tulex-cli listen writes its --monitor file and its output in large pieces:
// whatever way the run ends (the time passes, SIGTERM in the middle of a
// flood, the device hung up), every line it saw is in the file, whole, with
// the port's closing line last; and while the line is quiet the lines reach
// the file without the run having to end.

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "line/Cp1251.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

const std::string kPortOpened = Utf8ToCp1251Lossy("Порт открыт.");
const std::string kPortClosed = Utf8ToCp1251Lossy("Порт закрыт.");

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

class ListenMonitorFile : public ::testing::Test {
protected:
    std::vector<std::string> Listen(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"-p", pty.slavePath(), "--monitor", monitor, "listen"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    // Waits (as long as a slow machine may need) until the file holds `what`
    // `times` times; the run is not asked to end for it.
    bool FileHolds(const std::string& what, std::size_t times = 1, std::chrono::seconds within = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (Count(ReadFile(monitor), what) < times) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
    // Waits until the file holds at least `bytes` bytes.
    bool FileGrows(std::uintmax_t bytes, std::chrono::seconds within = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        for (;;) {
            std::error_code ec;
            const auto size = std::filesystem::file_size(monitor, ec);
            if (!ec && size >= bytes) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(1ms);
        }
    }
    // Every line of the file is whole (CR LF) and the close is the last one.
    void ExpectWholeAndClosedLast(const std::string& log) {
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
        const auto closed = log.rfind(kPortClosed);
        ASSERT_NE(closed, std::string::npos) << Cp1251ToUtf8(log.substr(log.size() > 200 ? log.size() - 200 : 0));
        EXPECT_EQ(log.find("\r\n", closed), log.size() - 2) << "the close is the last line";
        // Each line starts with its time stamp "HH:MM:SS".
        for (std::size_t at = 0; at < log.size();) {
            const std::size_t end = log.find("\r\n", at);
            ASSERT_NE(end, std::string::npos);
            ASSERT_GE(end - at, 8u) << "a line cut short at byte " << at;
            ASSERT_EQ(log[at + 2], ':') << "at byte " << at;
            at = end + 2;
        }
    }

    Pty pty;
    TempDir dir;
    const std::string monitor = (dir.path() / "monitor.txt").string();
};

TEST_F(ListenMonitorFile, LinesReachTheFileWhileTheLineIsQuiet) {
    Cli cli(Listen());
    ASSERT_TRUE(FileHolds(kPortOpened)) << cli.Err();
    ASSERT_TRUE(pty.Send("!"));
    EXPECT_TRUE(FileHolds("OK\r\n")) << "a lone frame reaches the file while the run goes on";
    ASSERT_TRUE(pty.Send("G;123456789000?"));
    EXPECT_TRUE(FileHolds("G;123456789000?\r\n"));
    EXPECT_EQ(Count(ReadFile(monitor), "\r\n"), 3u);  // opened, "!", the card event; nothing more
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Wait(), 0) << cli.Err();
    ExpectWholeAndClosedLast(ReadFile(monitor));
}

TEST_F(ListenMonitorFile, TheEndOfSecondsLeavesEveryLineInTheFile) {
    constexpr std::size_t kFrames = 50000;
    Cli cli(Listen({"--seconds", "4"}));
    ASSERT_TRUE(FileHolds(kPortOpened)) << cli.Err();
    ASSERT_TRUE(pty.Send(std::string(kFrames, '!')));
    EXPECT_EQ(cli.Wait(), 0) << cli.Err();
    const std::string log = ReadFile(monitor);
    ExpectWholeAndClosedLast(log);
    EXPECT_EQ(Count(log, "OK\r\n"), kFrames);
    // Standard output shows the same lines.
    EXPECT_EQ(Count(cli.Out(), "OK\n"), kFrames);
}

TEST_F(ListenMonitorFile, SigtermInTheMiddleOfAFloodLeavesEverySeenLineInTheFile) {
    Cli cli(Listen());
    ASSERT_TRUE(FileHolds(kPortOpened)) << cli.Err();
    // The flood goes on while the signal comes: the line side writes as fast
    // as the pty takes it (at most a few million frames, so that the file
    // stays small enough to read) until the program has ended.
    std::atomic<bool> stop{false};
    std::thread flood([this, &stop] {
        const std::string burst(4096, '!');
        for (std::size_t sent = 0; !stop && sent < (std::size_t{2} << 20);) {
            const ssize_t n = ::write(pty.masterFd(), burst.data(), burst.size());
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            struct pollfd p {
                pty.masterFd(), POLLOUT, 0
            };
            ::poll(&p, 1, 10);
        }
    });
    // A thousand lines in the file (by its size: it grows fast).
    const std::size_t opened = ReadFile(monitor).size();
    const bool flowing = FileGrows(opened + 1000 * 30);
    cli.Signal(SIGTERM);
    const int status = cli.Wait();
    stop = true;
    flood.join();
    ASSERT_TRUE(flowing);
    EXPECT_EQ(status, 0) << cli.Err();
    const std::string log = ReadFile(monitor);
    ExpectWholeAndClosedLast(log);
    // Every line printed (so seen) is in the file too.
    const std::size_t inFile = Count(log, "OK\r\n");
    EXPECT_GE(inFile, 1000u);
    EXPECT_EQ(Count(cli.Out(), "OK\n"), inFile);
}

TEST_F(ListenMonitorFile, AHangUpLeavesEveryLineInTheFile) {
    constexpr std::size_t kFrames = 20000;
    Cli cli(Listen());
    ASSERT_TRUE(FileHolds(kPortOpened)) << cli.Err();
    ASSERT_TRUE(pty.Send(std::string(kFrames, '!')));
    ASSERT_TRUE(FileHolds("OK\r\n", kFrames)) << "the burst reaches the file once the line is quiet";
    pty.HangUp();
    EXPECT_EQ(cli.Wait(), 1) << cli.Err();  // the port went away: not a normal end
    const std::string log = ReadFile(monitor);
    ExpectWholeAndClosedLast(log);
    EXPECT_EQ(Count(log, "OK\r\n"), kFrames);
    EXPECT_EQ(Count(cli.Out(), "OK\n"), kFrames);
}

}  // namespace
}  // namespace tulex::test
