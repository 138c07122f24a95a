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

// A window that shows the lines on a timer is told of the first change after
// each look, and of nothing while nothing changes.
TEST_F(MonitorTest, ChangesAreToldOnceUntilTheNextLook) {
    int told = 0;
    monitor.SetChangeNotifier([&] { ++told; });
    monitor.Add("a");
    monitor.Add("b");
    EXPECT_EQ(told, 1);
    monitor.ArmChangeNotifier();  // the window looked
    EXPECT_EQ(told, 1);           // nothing new: nothing told
    monitor.Clear();
    EXPECT_EQ(told, 2);
    monitor.ArmChangeNotifier();
    monitor.Pause();  // its own line is a change
    EXPECT_EQ(told, 3);
    monitor.ArmChangeNotifier();
    monitor.Add("lost while paused");
    EXPECT_EQ(told, 3);
    monitor.SetChangeNotifier(nullptr);
    monitor.Start();
    EXPECT_EQ(told, 3);
}

// Time stamps as "%02d:%02d:%02d" prints them.
TEST_F(MonitorTest, StampsHaveTwoDigitsEach) {
    monitor.SetLocalTime([] {
        std::tm tm{};
        tm.tm_hour = 23;
        tm.tm_min = 0;
        tm.tm_sec = 60;  // a leap second
        return tm;
    });
    std::vector<std::string> seen;
    monitor.SetLineSink([&](std::string_view line) { seen.emplace_back(line); });
    monitor.Add("x");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "23:00:60x");
    EXPECT_EQ(monitor.Line(0), "23:00:60x");
}

}  // namespace
}  // namespace tulex
