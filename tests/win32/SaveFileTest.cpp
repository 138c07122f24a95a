// The monitor's save file on Windows: paths are UTF-8 inside the program and
// reach the system as UTF-16, so a folder with a Cyrillic name works; the
// bytes are written as they are (CR LF stays CR LF); the system's refusals
// become the operator's two messages; the first path offered is Documents.

#include "display/SaveFile.h"
#include "display/TrafficLog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TempDir.h"

namespace tulex::test {
namespace {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A monitor with two lines at 09:05:07, in Windows-1251.
struct TwoLineMonitor {
    TrafficLog log;
    TwoLineMonitor() {
        log.SetLocalTime([] {
            std::tm tm{};
            tm.tm_hour = 9, tm.tm_min = 5, tm.tm_sec = 7;
            return tm;
        });
        log.SetWindowExists(true);
        log.Add("   COM1   ---   \xCF\xEE\xF0\xF2 \xEE\xF2\xEA\xF0\xFB\xF2.");  // "Порт открыт."
        log.Add("   TIMEOUT");
    }
    static std::string Saved() {
        return "09:05:07   COM1   ---   \xCF\xEE\xF0\xF2 \xEE\xF2\xEA\xF0\xFB\xF2.\r\n"
               "09:05:07   TIMEOUT\r\n";
    }
};

TEST(Win32SaveFile, SavesIntoAFolderWithACyrillicName) {
    TempDir temp;
    const fs::path folder = temp.path() / PathFromUtf8("Журналы линии");
    ASSERT_TRUE(fs::create_directory(folder));
    const std::string path = Utf8FromPath(folder / PathFromUtf8("монитор.txt"));

    TwoLineMonitor monitor;
    EXPECT_FALSE(PathExists(path));
    ASSERT_EQ(monitor.log.SaveToFile(path), TrafficLog::SaveError::None);
    EXPECT_TRUE(PathExists(path));
    EXPECT_EQ(FileBytes(PathFromUtf8(path)), TwoLineMonitor::Saved());  // CR LF, not CR CR LF

    // Saving again replaces the content.
    monitor.log.Clear();
    ASSERT_EQ(monitor.log.SaveToFile(path), TrafficLog::SaveError::None);
    EXPECT_EQ(FileBytes(PathFromUtf8(path)), "");
}

TEST(Win32SaveFile, AReadOnlyFileIsRefusedAndKept) {
    TempDir temp;
    const fs::path file = temp.path() / PathFromUtf8("только чтение.txt");
    std::ofstream(file, std::ios::binary) << "kept";
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE probe = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "this system lets the user write a read-only file (Wine run by root)";
    }
    TwoLineMonitor monitor;
    EXPECT_EQ(monitor.log.SaveToFile(Utf8FromPath(file)), TrafficLog::SaveError::ReadOnly);
    EXPECT_EQ(FileBytes(file), "kept");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32SaveFile, APathThatCannotBeCreatedIsABadPath) {
    TempDir temp;
    TwoLineMonitor monitor;
    EXPECT_EQ(monitor.log.SaveToFile(Utf8FromPath(temp.path() / PathFromUtf8("нет такой папки") / "m.txt")),
              TrafficLog::SaveError::BadPath);
    EXPECT_EQ(monitor.log.SaveToFile(""), TrafficLog::SaveError::BadPath);
    EXPECT_EQ(monitor.log.SaveToFile(Utf8FromPath(temp.path() / "a?b.txt")), TrafficLog::SaveError::BadPath);
}

TEST(Win32SaveFile, TheFirstPathOfferedIsTheUsersDocumentsFolder) {
    const std::string folder = InitialSaveFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(PathExists(folder));
    EXPECT_EQ(TrafficLog().filePath, folder);
}

}  // namespace
}  // namespace tulex::test
