// The texts tulex-cli prints: JSON string literals that a strict decoder
// accepts whatever bytes came from the line or the command line, and
// terminal lines that no byte can turn into a control sequence.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/ConsoleView.h"
#include "cli/OutputBuffer.h"
#include "line/Cp1251.h"

namespace tulex::cli {
namespace {

struct TextCase {
    const char* name;
    std::string input;
    std::string json;      // JsonQuote without the quotes
    std::string terminal;  // TerminalSafe
};

const TextCase kTexts[] = {
    {"plain Russian", "Порт COM1", "Порт COM1", "Порт COM1"},
    {"quote and backslash", "a\"b\\c", "a\\\"b\\\\c", "a\"b\\c"},
    {"line feed and tab", "a\nb\tc", "a\\nb\\tc", "a\nb\tc"},
    {"escape and bell", "\x1b[2J\a", "\\u001B[2J\\u0007", "\\x1B[2J\\x07"},
    {"C1 control U+009B", "\xC2\x9B", "\\u009B", "\\x9B"},
    {"overlong slash C1 BE", "\xC1\xBE", "\\ufffd\\ufffd", "\\xC1\\xBE"},
    {"overlong three bytes E0 80 AF", "\xE0\x80\xAF", "\\ufffd\\ufffd\\ufffd", "\\xE0\\x80\\xAF"},
    {"surrogate ED A0 80", "\xED\xA0\x80", "\\ufffd\\ufffd\\ufffd", "\\xED\\xA0\\x80"},
    {"beyond U+10FFFF F4 90 80 80", "\xF4\x90\x80\x80", "\\ufffd\\ufffd\\ufffd\\ufffd", "\\xF4\\x90\\x80\\x80"},
    {"cut short", "ab\xD0", "ab\\ufffd", "ab\\xD0"},
    {"lone continuation", "\x80z", "\\ufffdz", "\\x80z"},
    {"highest code point kept", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
};

class Texts : public ::testing::TestWithParam<TextCase> {};

TEST_P(Texts, JsonIsValidUtf8AndKeepsWhatIsValid) {
    const TextCase& c = GetParam();
    const std::string quoted = JsonQuote(c.input);
    EXPECT_EQ(quoted, "\"" + c.json + "\"");
    EXPECT_TRUE(IsValidUtf8(quoted));
}

TEST_P(Texts, TerminalLinesAreValidUtf8WithNoControls) {
    const TextCase& c = GetParam();
    const std::string safe = TerminalSafe(c.input);
    EXPECT_EQ(safe, c.terminal);
    EXPECT_TRUE(IsValidUtf8(safe));
}

INSTANTIATE_TEST_SUITE_P(Bytes, Texts, ::testing::ValuesIn(kTexts), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

// What a stream got, read back from its temporary file.
std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string bytes;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, file)) bytes.append(buffer, n);
    return bytes;
}

// listen's monitor lines, converted straight into the output, are what the
// conversions one after the other gave: every byte of the line, as text and
// as JSON, buffered or not.
TEST(MonitorLines, PrintedAsTheTextConversionsGiveThem) {
    std::string line;
    for (int b = 1; b < 256; ++b) line.push_back(static_cast<char>(b));
    line += "   COM1   \x97\x97>   G;123?";
    for (const bool json : {false, true}) {
        for (const bool buffered : {false, true}) {
            std::FILE* out = std::tmpfile();
            if (!out) GTEST_SKIP() << "no temporary file";
            {
                ConsoleView view(json, false, out, out);
                if (buffered) view.SetBuffered(nullptr);
                view.PrintMonitorLine(line);
                view.PrintMonitorLine("12:00:00   COM1   \x97\x97>   OK");
                view.Flush();
            }
            const std::string expected =
                json ? "{\"event\": \"monitor\", \"line\": " + JsonQuote(Cp1251ToUtf8(line)) +
                           "}\n{\"event\": \"monitor\", \"line\": \"12:00:00   COM1   ——>   OK\"}\n"
                     : TerminalSafe(Cp1251ToUtf8(line)) + "\n12:00:00   COM1   ——>   OK\n";
            EXPECT_EQ(Contents(out), expected) << "json " << json << ", buffered " << buffered;
            std::fclose(out);
        }
    }
}

// Buffered output keeps the order: a message to standard error first writes
// what waits for standard output.
TEST(MonitorLines, BufferedOutputComesBeforeAMessage) {
    std::FILE* file = std::tmpfile();
    if (!file) GTEST_SKIP() << "no temporary file";
    {
        ConsoleView view(false, false, file, file);
        view.SetBuffered(nullptr);
        view.PrintMonitorLine("12:00:00   line");
        view.ShowMessage("Предупреждение", "text", MessageIcon::Warning);
        view.PrintLine("after");
        view.Flush();
    }
    EXPECT_EQ(Contents(file), "12:00:00   line\nПредупреждение: text\nafter\n");
    std::fclose(file);
}

TEST(OutputBuffers, KeepTheOrderOfAppendsFromManyThreadsAndWriteInLargePieces) {
    std::string written;
    std::vector<std::size_t> pieces;
    OutputBuffer buffer([&](std::string_view bytes) {
        written.append(bytes);
        pieces.push_back(bytes.size());
        return true;
    });
    constexpr int kThreads = 4;
    constexpr int kLines = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&buffer, t] {
            for (int i = 0; i < kLines; ++i) buffer.Append(std::to_string(t) + ":" + std::to_string(i) + "\n");
        });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(buffer.Flush());
    EXPECT_TRUE(buffer.Empty());
    // Each thread's lines in its own order, none lost or torn.
    std::vector<int> next(kThreads, 0);
    std::size_t at = 0;
    while (at < written.size()) {
        const std::size_t end = written.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string text = written.substr(at, end - at);
        const std::size_t colon = text.find(':');
        ASSERT_NE(colon, std::string::npos) << text;
        const int t = std::stoi(text.substr(0, colon));
        EXPECT_EQ(std::stoi(text.substr(colon + 1)), next[t]++) << text;
        at = end + 1;
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kLines);
    // Far fewer writes than lines: pieces of about 64 KiB.
    EXPECT_LT(pieces.size(), written.size() / (OutputBuffer::kWriteBytes / 2) + 2);
}

TEST(OutputBuffers, AFailedWriteIsToldAndNothingMoreIsTried) {
    int writes = 0;
    OutputBuffer buffer([&](std::string_view) {
        ++writes;
        return false;
    });
    EXPECT_TRUE(buffer.Append("line\r\n"));  // waits: nothing tried yet
    EXPECT_FALSE(buffer.Flush());
    EXPECT_TRUE(buffer.Failed());
    EXPECT_FALSE(buffer.Append("more\r\n"));
    EXPECT_FALSE(buffer.Flush());
    EXPECT_EQ(writes, 1);
}

TEST(OutputBuffers, TheTimerWritesWhatWaitsWithoutBeingAsked) {
    std::atomic<int> flushes{0};
    std::string written;
    std::mutex mutex;
    OutputBuffer buffer([&](std::string_view bytes) {
        std::lock_guard lock(mutex);
        written.append(bytes);
        return true;
    });
    FlushTimer timer([&] {
        buffer.Flush();
        ++flushes;
    });
    buffer.SetOnAppend([&timer] { timer.Appended(); });
    buffer.Append("one\r\n");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (buffer.Empty() == false || flushes == 0) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "never written";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::lock_guard lock(mutex);
    EXPECT_EQ(written, "one\r\n");
}

}  // namespace
}  // namespace tulex::cli
