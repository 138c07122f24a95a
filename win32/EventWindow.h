#pragma once
// "ТУЛЕКС События": the event list in a window of its own. Every card and
// sensor event the line delivered, newest at the bottom, whatever the pop-up
// settings say, in a virtual list view (LVS_OWNERDATA) over the session's
// event feed (app/EventList): the list asks for the rows it shows, so a
// million events cost nothing. It follows the newest event while the list is
// scrolled to its end. Above it: the search box, which narrows the list
// once typing pauses (or at Enter), the count of events held, and
// "Очистить". The owner calls Refresh when the feed gained events.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

#include "app/EventList.h"

namespace tulex {
class EventFeed;
}

namespace tulex::win32 {

class EventWindow {
public:
    static constexpr int kWidth = 760;  // the frame at 96 dpi
    static constexpr int kHeight = 320;
    // A search over a full list takes a moment: it starts once typing pauses.
    static constexpr UINT kSearchDelayMs = 250;

    static void Register(HINSTANCE instance);

    explicit EventWindow(EventFeed& feed);
    ~EventWindow();
    EventWindow(const EventWindow&) = delete;
    EventWindow& operator=(const EventWindow&) = delete;

    // Creates the window beside `main` (or cascaded from its corner), past
    // the `others` tool windows open already, and shows it; brings an open
    // one to the front.
    void Show(HWND main, int dpi, int others);
    HWND window() const { return window_; }
    // Takes in what the feed gained.
    void Refresh();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void ApplyDpi(int dpi);
    void Layout();
    void ApplySearch();
    void ShowRows(std::size_t rows, bool restart, bool follow);
    void UpdateCount();
    bool AtEnd() const;
    int Scale(int value) const { return MulDiv(value, dpi_, 96); }

    EventFeed& feed_;
    std::unique_ptr<EventList> list_;  // while the window exists
    HWND window_ = nullptr;
    HWND search_ = nullptr, count_ = nullptr, clear_ = nullptr, view_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    std::size_t shown_ = 0;  // rows the list view was told of
    std::wstring cell_;      // the text handed to the list for one cell
};

}  // namespace tulex::win32
