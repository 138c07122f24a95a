#pragma once
// The main window as a native Win32 program, and the View the engine talks
// to: the port and converter group boxes, the line map, the monitor buttons,
// the search and stop buttons, the status bar, the main menu and the two
// pop-up menus, the pop-ups and the monitor window. Every decision is the
// engine's (LineSession and the command handlers); this class only shows and
// forwards. The statistics and the event list open as tool windows of
// their own from the main menu, and close with the main window. Laid out at 96 dpi (client 692 x 324) and scaled to the
// monitor's dots per inch, also when the window moves to another monitor.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/View.h"
#include "win32/LineMap.h"

namespace tulex {
class LineSession;
}

namespace tulex::win32 {

class EventWindow;
class MonitorWindow;
class Popups;
class StatisticsWindow;
class Win32Dispatcher;

class MainWindow final : public View {
public:
    static constexpr int kClientWidth = 692;
    static constexpr int kClientHeight = 324;
    static constexpr int kMapLeft = 8;
    static constexpr int kMapTop = 80;

    static void Register(HINSTANCE instance);

    // arguments: after the program name, UTF-8. Creates the window (hidden).
    explicit MainWindow(const std::vector<std::string>& arguments);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND window() const { return window_; }
    LineSession& session() { return *session_; }

    // Centres the window on its monitor's work area and shows it.
    void Show(int showCommand);
    // Puts name and speed into the port and speed boxes and presses "Открыть".
    void OpenPort(const std::string& name, const std::string& speed);
    void ShowMonitor();
    // "С&татистика" and "С&обытия" (also --statistics and --events).
    void ShowStatistics();
    void ShowEvents();
    // Whether Tab, Enter and the mnemonics of `root` (a top-level window of
    // this program) work as in a dialog: the main window and the tool windows.
    bool TakesDialogKeys(HWND root) const;
    // Ends the program at the first complete paint (--first-paint).
    void QuitAfterFirstPaint() { quitAfterPaint_ = true; }
    // After the message loop: the engine's threads end before the window's parts.
    void Finish();

    // --- View
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& caption, const std::string& text) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    void SetCommandControlsEnabled(bool enabled) override;
    void SetPortControlsEnabled(bool enabled) override;
    void SetStatusPanel(int panel, const std::string& text) override;
    void RepaintMap() override;
    void ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) override;
    void RemoveAllCardPopups() override;
    void ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) override;
    void SetBalloonText(const std::string& text) override;
    void RemoveBalloon() override;
    void ShowSensorPopup(std::uint8_t index, const std::string& text) override;
    void RemoveSensorPopup() override;
    void OpenCommandMenu(std::uint8_t index) override;
    void EventsAdded() override;
    void CountSkippedPopups(std::size_t count) override;
    void SetConnection(const Connection& connection) override;
    void ShowProgress(const std::string& text) override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void CreateMenus();
    void ApplyDpi(int dpi);
    void Layout();
    void Command(int id, int code);
    void DrawButton(const DRAWITEMSTRUCT& item);
    POINT IndexScreenPoint(std::uint8_t index) const;
    RECT WindowRectFor(int dpi) const;
    int Scale(int value) const { return MulDiv(value, dpi_, 96); }
    std::string ControlText(HWND control) const;
    void FillPortList();
    void SetMonitorPaused(bool paused);  // the monitor's pause and start buttons
    void ClearMonitor();
    void SaveMonitor();
    void ExportStatistics();
    // The statistics and event windows open (a new one steps past them).
    int ToolWindowsOpen() const;
    void CloseToolWindows();
    void OpenConverterMenu();
    void Escape();
    // The lost port's timer: offers the port again once it is back.
    void CheckLostPort();

    std::unique_ptr<Win32Dispatcher> dispatcher_;
    std::unique_ptr<LineSession> session_;
    HWND window_ = nullptr;
    int dpi_ = 96;
    HFONT font_ = nullptr;

    HWND portGroup_ = nullptr, portBox_ = nullptr, speedBox_ = nullptr, openButton_ = nullptr, closeButton_ = nullptr;
    HWND converterGroup_ = nullptr, converterButton_ = nullptr;
    LineMap map_;
    HWND monitorButton_ = nullptr, pauseButton_ = nullptr, resumeButton_ = nullptr, clearButton_ = nullptr,
         saveButton_ = nullptr;
    HWND searchButton_ = nullptr, stopButton_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND hints_ = nullptr;  // the speed buttons' tool-tips

    HMENU mainMenu_ = nullptr, settingsMenu_ = nullptr, controllerMenu_ = nullptr, converterMenu_ = nullptr;

    std::unique_ptr<Popups> popups_;
    std::unique_ptr<MonitorWindow> monitor_;
    std::unique_ptr<StatisticsWindow> statistics_;
    std::unique_ptr<EventWindow> events_;
    bool mapHadFocus_ = false;
    bool quitAfterPaint_ = false;
    bool painted_ = false;
    bool statusTextsSet_ = false;
};

}  // namespace tulex::win32
