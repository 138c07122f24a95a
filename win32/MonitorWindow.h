#pragma once
// The monitor window: a top-level window of its own (no owner), placed below
// the main window and as wide as it, whose list is a virtual list view
// (LVS_OWNERDATA) over the engine's monitor store. It never copies the
// store: the list asks for the rows it shows, and a tick compares the
// store's count with what was shown, so a burst of lines costs one update
// and a million lines stay fluid. It follows the end while the last line is
// in view.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tulex {
class TrafficLog;
}

namespace tulex::win32 {

class MonitorWindow {
public:
    static constexpr int kHeight = 200;
    static constexpr UINT kTickMs = 40;

    static void Register(HINSTANCE instance);
    static std::wstring Title(bool paused);

    // closed: the operator closed the window (it is gone when called).
    MonitorWindow(const TrafficLog& log, std::function<void()> closed);
    ~MonitorWindow();
    MonitorWindow(const MonitorWindow&) = delete;
    MonitorWindow& operator=(const MonitorWindow&) = delete;

    // Creates the window directly below `owner`, as wide as it, and shows it.
    void ShowBelow(HWND owner, int dpi);
    // Brings the window back when minimized.
    void Restore();
    void SetPaused(bool paused);
    HWND window() const { return window_; }
    HWND list() const { return list_; }
    // Takes in what the store holds now (the tick calls this).
    void Refresh();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CopySelection();

    const TrafficLog& log_;
    std::function<void()> closed_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    HFONT font_ = nullptr;
    std::size_t shown_ = 0;
    std::uint64_t generation_ = 0;
    std::wstring row_;  // the text handed to the list for one row
    int columnWidth_ = 0;
    int charWidth_ = 8;
};

}  // namespace tulex::win32
