// tulex.exe, the Win32 window, under Wine on a virtual X display (Xvfb):
// the Windows test program window_test.exe (tests/winwindow) starts it with
// COM1 mapped to a fresh tulex-sim line of controllers G and H and drives it
// through its window messages; each time the program asks ("CARD"), the
// line sends a card event from G, and when it asks "LOSE" a second line
// takes COM1's name and the first one ends (its pseudo-terminal hangs up).

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/wine/SimLine.h"
#include "tests/wine/WineEnvironment.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Wine's drive Z: is the Linux root.
std::string WindowsPath(const fs::path& path) {
    std::string text = "Z:" + path.string();
    for (char& c : text)
        if (c == '/') c = '\\';
    return text;
}

// An X server of its own on a free display, for the length of one test.
class VirtualDisplay {
public:
    VirtualDisplay() {
        for (int n = 90 + static_cast<int>(getpid() % 50); n < 200; ++n) {
            if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
            number_ = n;
            break;
        }
        server_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            "Xvfb", ":" + std::to_string(number_), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(number_);
        for (int i = 0; i < 100 && !fs::exists(socket); ++i) std::this_thread::sleep_for(50ms);
        ready_ = fs::exists(socket);
    }
    bool ready() const { return ready_; }
    std::string name() const { return ":" + std::to_string(number_); }

private:
    int number_ = 99;
    std::unique_ptr<ChildProcess> server_;
    bool ready_ = false;
};

fs::path WindowProgram() { return WineEnvironment::WindowsBuild() / "win32" / "tulex.exe"; }
fs::path WindowTest() { return WineEnvironment::WindowsBuild() / "tests" / "winwindow" / "window_test.exe"; }

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

TEST(WineWindow, DrivenThroughItsWindowMessages) {
    if (!fs::exists(WindowTest())) GTEST_SKIP() << "the Windows build has no window (" << WindowTest() << ")";
    WineEnvironment& wine = WineEnvironment::Instance();
    ASSERT_EQ(wine.error(), "");
    VirtualDisplay display;
    ASSERT_TRUE(display.ready()) << "Xvfb did not start";
    auto first = std::make_unique<SimLine>(std::vector<std::string>{"--controllers", "G,H"});
    ASSERT_FALSE(first->pty().empty()) << "tulex-sim did not start";
    ASSERT_TRUE(wine.MapCom1(first->pty()));
    SimLine* line = first.get();
    std::unique_ptr<SimLine> second;
    // A fresh server, so that the prefix's desktop comes up on this display.
    RunQuietly({"wineserver", "-k"}, wine.Variables());
    RunQuietly({"wineserver", "-w"}, wine.Variables());
    wine.StartServer();

    TempDir scratch;
    std::vector<std::string> variables = wine.Variables();
    variables.push_back("DISPLAY=" + display.name());
    ChildProcess program(wine.Command(WindowTest(), {WindowsPath(WindowProgram()), WindowsPath(scratch.path())}),
                         variables, {"WAYLAND_DISPLAY"});
    std::size_t cardsSent = 0;
    int status = -1;
    const auto deadline = std::chrono::steady_clock::now() + 4min;
    while (std::chrono::steady_clock::now() < deadline) {
        status = program.Wait(100ms);
        if (status >= 0) break;
        const std::size_t asked = Count(program.Out(), "CARD");
        for (; cardsSent < asked; ++cardsSent) line->process().Command("card G 123456789000", "", 100ms);
        if (!second && Count(program.Out(), "LOSE") > 0) {
            // Another line behind COM1 first, then the open one hangs up.
            second = std::make_unique<SimLine>(std::vector<std::string>{"--controllers", "G,H"});
            EXPECT_TRUE(wine.MapCom1(second->pty()));
            first->process().Signal(SIGTERM);
            line = second.get();
        }
    }
    EXPECT_EQ(status, 0) << program.Out() << program.Err().substr(0, 4000);
    RunQuietly({"wineserver", "-k"}, wine.Variables());
}

}  // namespace
}  // namespace tulex::test
