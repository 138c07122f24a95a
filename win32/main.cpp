// tulex.exe: the window program on Windows. The arguments arrive as UTF-16
// and go on as UTF-8, as in tulex-cli.exe.

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "serial/WideText.h"
#include "version/Version.h"
#include "win32/CommandLine.h"
#include "win32/Dialogs.h"
#include "win32/MainWindow.h"
#include "win32/Screenshot.h"

namespace {

// --screenshot: the picture is taken once the delay has passed, then the window closes.
std::wstring g_screenshot;
HWND g_window = nullptr;

void CALLBACK TakeScreenshot(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (!tulex::win32::SaveScreenPng(g_screenshot)) {
        tulex::win32::RussianMessageBox(nullptr, L"tulex: cannot write " + g_screenshot, L"ТУЛЕКС",
                                        MB_OK | MB_ICONWARNING);
    }
    PostMessageW(g_window, WM_CLOSE, 0, 0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    using namespace tulex::win32;
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) arguments.push_back(tulex::Utf8FromWide(__wargv[i]));
    const StartOptions options = ParseStartOptions(arguments);
    // A window program has no console: help, the version and faults of the
    // command line are told in a message box.
    if (options.help || !options.error.empty()) {
        const std::string text = (options.error.empty() ? "" : "tulex: " + options.error + "\n\n") + UsageText();
        RussianMessageBox(nullptr, tulex::WideFromUtf8(text), L"ТУЛЕКС",
                          MB_OK | (options.error.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
        return options.error.empty() ? 0 : 2;
    }
    if (options.version) {
        RussianMessageBox(nullptr, tulex::WideFromUtf8(std::string("tulex ") + tulex::kVersion), L"ТУЛЕКС",
                          MB_OK | MB_ICONINFORMATION);
        return 0;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    MainWindow::Register(instance);

    MainWindow window(arguments);
    if (!window.window()) return 1;
    if (options.firstPaint) window.QuitAfterFirstPaint();
    window.Show(showCommand);
    if (options.events) window.ShowEvents();
    if (options.monitor) window.ShowMonitor();
    if (options.statistics) window.ShowStatistics();
    if (!options.port.empty()) {
        // After the window is on screen, so that a port message box has its owner.
        window.OpenPort(options.port, options.speed);
    }

    if (!options.screenshot.empty()) {
        g_screenshot = tulex::WideFromUtf8(options.screenshot);
        g_window = window.window();
        SetTimer(nullptr, 0, static_cast<UINT>(options.delayMs), TakeScreenshot);
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, the mnemonics (Alt+M) and Escape work as in a dialog, in the
        // main window and in the statistics and event windows (Enter there
        // applies the search at once).
        const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (window.TakesDialogKeys(root) && IsDialogMessageW(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    window.Finish();
    return 0;
}
