// The monitor's model: time stamps, pause and start, and the save file with
// its question and messages.

#include "display/TrafficLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/MonitorSave.h"
#include "line/Cp1251.h"
#include "tests/support/RecordingView.h"
#include "tests/support/TempDir.h"

namespace tulex {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MonitorTest : public ::testing::Test {
protected:
    MonitorTest() {
        monitor.SetWindowExists(true);
        monitor.SetLocalTime([] {
            std::tm tm{};
            tm.tm_hour = 9;
            tm.tm_min = 5;
            tm.tm_sec = 7;
            return tm;
        });
    }
    // The save as the monitor's button runs it, from a confirmed path on.
    void Save(const std::string& path) { SaveMonitorAs(monitor, path, view); }
    std::vector<test::RecordingView::Call> Asked() const { return view.CallsOf("ask"); }
    std::vector<test::RecordingView::Call> Warned() const { return view.CallsOf("message"); }

    TrafficLog monitor;
    test::TempDir dir;
    test::RecordingView view;
};

TEST_F(MonitorTest, LinesCarryTheTimeStamp) {
    monitor.Add("   COM1   \x97\x97>   OK");
    ASSERT_EQ(monitor.Count(), 1u);
    EXPECT_EQ(monitor.Line(0), "09:05:07   COM1   \x97\x97>   OK");
}

TEST_F(MonitorTest, NoWindowNoLine) {
    monitor.SetWindowExists(false);
    monitor.Add("lost");
    monitor.SetWindowExists(true);
    EXPECT_EQ(monitor.Count(), 0u);
}

TEST_F(MonitorTest, PauseAndStartFrameTheGap) {
    monitor.Add("before");
    monitor.Pause();
    monitor.Add("during");
    monitor.Start();
    monitor.Add("after");
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < monitor.Count(); ++i) lines.push_back(Cp1251ToUtf8(monitor.Line(i)));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"09:05:07before", "09:05:07   Пауза", "09:05:07   Старт", "09:05:07after"}));
}

TEST_F(MonitorTest, SavedFileIsTheLinesWithCrLf) {
    monitor.Add("   COM1   ---   \xCF\xEE\xF0\xF2");  // "Порт" in Windows-1251
    monitor.Add("   COM1   \x97\x97>   OK");
    const auto path = dir.path() / "monitor.txt";
    Save(path.string());
    EXPECT_EQ(ReadFile(path),
              "09:05:07   COM1   ---   \xCF\xEE\xF0\xF2\r\n"
              "09:05:07   COM1   \x97\x97>   OK\r\n");
    EXPECT_TRUE(Asked().empty());
    EXPECT_TRUE(Warned().empty());
}

TEST_F(MonitorTest, ExistingFileIsReplacedOnlyOnYes) {
    const auto path = dir.path() / "old.txt";
    std::ofstream(path) << "previous content that is longer";
    monitor.Add("x");
    view.QueueYesNo(false);
    Save(path.string());
    EXPECT_EQ(ReadFile(path), "previous content that is longer");
    ASSERT_EQ(Asked().size(), 1u);
    EXPECT_EQ(Asked()[0].caption, "Предупреждение");
    EXPECT_EQ(Asked()[0].text, "Файл ''" + path.string() + "'' уже существует.\n\nЗаменить?");
    view.QueueYesNo(true);
    Save(path.string());
    EXPECT_EQ(ReadFile(path), "09:05:07x\r\n");
}

TEST_F(MonitorTest, BadPathAndReadOnlyFile) {
    const std::string bad = (dir.path() / "no-such-folder" / "m.txt").string();
    Save(bad);
    Save("");
    ASSERT_EQ(Warned().size(), 2u);
    EXPECT_EQ(Warned()[0].caption, "Сохранить как...");
    EXPECT_EQ(Warned()[0].text, "Путь или имя файла ''" + bad + "'' указаны неверно.");
    EXPECT_EQ(Warned()[0].number, 1) << "warning icon";
    EXPECT_EQ(Warned()[1].text, "Путь или имя файла '''' указаны неверно.");

    // A file that even root may not write.
    const std::string readOnly = "/sys/kernel/notes";
    if (!std::filesystem::exists(readOnly)) GTEST_SKIP() << "no read-only file to try";
    view.QueueYesNo(true);  // it exists: replace it
    Save(readOnly);
    ASSERT_EQ(Warned().size(), 3u);
    EXPECT_EQ(Warned()[2].text, "Файла ''" + readOnly + "'' доступен только для чтения.\n\nУкажите другое имя файла.");
}

TEST_F(MonitorTest, WriteErrorIsReported) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    monitor.Add("line");
    view.QueueYesNo(true);  // it exists: replace it
    Save("/dev/full");
    ASSERT_EQ(Warned().size(), 1u);
    EXPECT_EQ(Warned()[0].caption, "Сохранить как...");
    EXPECT_EQ(Warned()[0].text, "Файл ''/dev/full'' записан не полностью.\n\nПроверьте, есть ли место на диске.");
}

TEST_F(MonitorTest, EmptyMonitorGivesAnEmptyFile) {
    const auto path = dir.path() / "empty.txt";
    Save(path.string());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(MonitorTest, SinkSeesEveryStoredLineInOrder) {
    std::vector<std::string> seen;
    monitor.SetLineSink([&](std::string_view line) { seen.emplace_back(line); });
    monitor.Add("a");
    monitor.Pause();
    monitor.Add("lost");
    monitor.Start();
    EXPECT_EQ(seen.size(), 3u);  // "a", pause, start
    EXPECT_EQ(seen[0], "09:05:07a");
}

}  // namespace
}  // namespace tulex

namespace tulex {
namespace {

// ------------------------------------------------ milliseconds, UTF-8, kinds

class MonitorExtras : public MonitorTest {
protected:
    MonitorExtras() {
        monitor.SetLocalClock([this] {
            std::tm tm{};
            tm.tm_hour = 23;
            tm.tm_min = 59;
            tm.tm_sec = 58;
            return TrafficLog::LocalMoment{tm, millis};
        });
    }
    int millis = 7;
};

TEST_F(MonitorExtras, MillisecondsOnlyWhenAskedForAndForEveryLineKept) {
    monitor.Add("   first");
    millis = 999;
    monitor.Add("   \xE2\xF2\xEE\xF0\xEE\xE9");  // "второй"
    EXPECT_EQ(monitor.Line(0), "23:59:58   first") << "exactly as without the setting";
    monitor.SetMilliseconds(true);
    EXPECT_EQ(monitor.Line(0), "23:59:58.007   first");
    EXPECT_EQ(monitor.Line(1), "23:59:58.999   \xE2\xF2\xEE\xF0\xEE\xE9");

    struct Case {
        const char* file;
        bool millis;
        TrafficLog::Encoding encoding;
        std::string expected;
    };
    const Case cases[] = {
        {"plain.txt", false, TrafficLog::Encoding::Cp1251,
         "23:59:58   first\r\n23:59:58   \xE2\xF2\xEE\xF0\xEE\xE9\r\n"},
        {"millis.txt", true, TrafficLog::Encoding::Cp1251,
         "23:59:58.007   first\r\n23:59:58.999   \xE2\xF2\xEE\xF0\xEE\xE9\r\n"},
        {"utf8.txt", false, TrafficLog::Encoding::Utf8, "23:59:58   first\r\n23:59:58   второй\r\n"},
        {"utf8-millis.txt", true, TrafficLog::Encoding::Utf8, "23:59:58.007   first\r\n23:59:58.999   второй\r\n"},
    };
    for (const Case& c : cases) {
        monitor.SetMilliseconds(c.millis);
        const auto path = dir.path() / c.file;
        ASSERT_TRUE(SaveMonitorAs(monitor, path.string(), view, c.encoding)) << c.file;
        EXPECT_EQ(ReadFile(path), c.expected) << c.file;
    }
}

TEST_F(MonitorExtras, Utf8SaveKeepsEveryByteReadable) {
    // Every byte but zero, as the line may carry it: the UTF-8 file reads back
    // as the same characters the screen shows.
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') all += static_cast<char>(b);
    monitor.Add(all);
    const auto path = dir.path() / "all.txt";
    ASSERT_TRUE(SaveMonitorAs(monitor, path.string(), view, TrafficLog::Encoding::Utf8));
    const std::string saved = ReadFile(path);
    EXPECT_TRUE(IsValidUtf8(saved));
    EXPECT_EQ(saved, Cp1251ToUtf8(monitor.Line(0)) + "\r\n");
}

TEST(MonitorLineKinds, EachLineGetsOneKindAndTheIndexItConcerns) {
    const std::string sent = "   COM1   <\x97\x97   ";
    const std::string received = "   COM1   \x97\x97>   ";
    struct Case {
        const char* name;
        std::string prefix, text;
        std::uint8_t given;
        MonitorLineKind kind;
        std::uint8_t index;
    };
    using K = MonitorLineKind;
    const Case cases[] = {
        {"sent request", sent, "G   \x97   Проверка", 0x47, K::Sent, 0x47},
        {"sent raw in master mode", sent, "\xFF\xFFGG$$02?", 0x47, K::Sent, 0x47},
        {"acknowledgement of the target", received, "OK", 0x48, K::Reply, 0x48},
        {"error reply with no command", received, "ERROR", 0, K::Reply, 0},
        {"card event", received, "H;123456789000?", 0, K::Card, 0x48},
        {"channel card event", received,
         "\xC6"
         "1;123456789000?",
         0, K::Card, 0xC6},
        {"sensor event", received, "H0A?", 0, K::Sensor, 0x48},
        {"data reply", received, "G:47?", 0, K::Received, 0x47},
        {"poll", received, "G?", 0, K::Received, 0x47},
        {"another master's request", received, "\xFF\xFFHH$$02?5", 0, K::Received, 0x48},
        {"noise", received, "\x01\x02", 0, K::Received, 0},
        {"device error", received, "DEVICE ERROR", 0, K::Received, 0},
        {"time-out", "", "   TIMEOUT", 0x49, K::Timeout, 0x49},
        {"cancel", "", "   CANCEL", 0x49, K::Other, 0},
        {"port opened", "   COM1   ---   ", "Порт открыт.", 0, K::Other, 0},
    };
    for (const Case& c : cases) {
        const MonitorTag tag = ClassifyMonitorLine(c.prefix, c.text, c.given);
        EXPECT_EQ(tag.kind, c.kind) << c.name;
        EXPECT_EQ(tag.index, c.index) << c.name;
    }
}

}  // namespace
}  // namespace tulex
