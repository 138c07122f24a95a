#pragma once
// "ТУЛЕКС Статистика": the per-controller statistics as a table of its own
// window, one row per index heard or addressed, with the columns of
// controller/StatisticsText. A click on a column's header sorts by it (a
// second click turns the order round). While the window is on screen and not
// minimized, a timer looks at the statistics' version twice a second and
// takes the figures in only when it moved; otherwise nothing runs.
// "Сбросить" forgets the figures; "Экспорт CSV..." is the owner's to do
// (exportRequested), and the line left of the buttons names the file
// written.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controller/LineStatistics.h"
#include "controller/StatisticsText.h"

namespace tulex::win32 {

class StatisticsWindow {
public:
    static constexpr int kWidth = 900;  // the frame at 96 dpi
    static constexpr int kHeight = 320;
    static constexpr UINT kRefreshMs = 500;

    static void Register(HINSTANCE instance);

    StatisticsWindow(LineStatistics& statistics, std::function<void()> exportRequested);
    ~StatisticsWindow();
    StatisticsWindow(const StatisticsWindow&) = delete;
    StatisticsWindow& operator=(const StatisticsWindow&) = delete;

    // Creates the window beside `main` (or cascaded from its corner), past
    // the `others` tool windows open already, and shows it; brings an open
    // one to the front.
    void Show(HWND main, int dpi, int others);
    HWND window() const { return window_; }
    // Takes the figures in if they changed since the last time.
    void Refresh();
    // "Сохранено: PATH" left of the buttons.
    void ShowSaved(const std::wstring& text);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void ApplyDpi(int dpi);
    void Layout();
    void Sort();
    void SortBy(int column);
    void ShowSortArrow();
    void FitColumns();
    void StartRefreshing();
    void StopRefreshing();
    int Scale(int value) const { return MulDiv(value, dpi_, 96); }

    LineStatistics& statistics_;
    std::function<void()> exportRequested_;
    HWND window_ = nullptr;
    HWND list_ = nullptr, reset_ = nullptr, export_ = nullptr, saved_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    bool refreshing_ = false;
    std::vector<ControllerFigures> rows_;  // in the order shown
    std::uint64_t version_ = ~std::uint64_t{0};
    StatisticsColumn sortColumn_ = StatisticsColumn::Index;
    bool descending_ = false;
    std::vector<int> widths_;
    std::wstring cell_;  // the text handed to the list for one cell
};

}  // namespace tulex::win32
