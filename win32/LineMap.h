#pragma once
// The line map as an owner-drawn Win32 control: one 25 x 25 cell (at 96 dpi)
// for each controller index, 7 rows of 26, green when heard, grey when it
// only gave the positive reply, orange for the selected cell. It keeps only
// the selection; the sets come from a provider. Arrow keys and a left click
// move the selection, a double or right click asks for the controller menu,
// the function keys (with a digit while F4, F5, F6 or F9 is held) name a
// menu command, and each cell's tool-tip gives its Alt code.

#include <windows.h>

#include <bitset>
#include <cstdint>
#include <functional>

#include "app/ControllerMenu.h"

namespace tulex::win32 {

struct MapSets {
    std::bitset<256> present;
    std::bitset<256> replyOnly;
};

class LineMap {
public:
    static constexpr int kRows = 7;
    static constexpr int kColumns = 26;
    static constexpr int kCellSize = 25;
    static constexpr int kWidth = kColumns + kColumns * kCellSize + 1;  // 677
    static constexpr int kHeight = kRows + kRows * kCellSize + 1;       // 183

    struct Handlers {
        std::function<MapSets()> sets;                     // called at every paint
        std::function<void(std::uint8_t)> selectionMoved;  // by the operator: a click or an arrow key
        std::function<void(std::uint8_t)> menuAsked;       // double click or right click on a cell
        std::function<void(MenuCommand)> shortcut;
        std::function<std::wstring(std::uint8_t)> figures;  // the tool-tip's lines below the key; may be empty
    };

    static void Register(HINSTANCE instance);
    HWND Create(HWND parent, int id, Handlers handlers);
    HWND window() const { return window_; }

    // The scale of the cells: the window's dots per inch (96 = 100 %).
    void SetDpi(int dpi);
    void SetFont(HFONT font);
    std::uint8_t Selected() const { return selected_; }
    // Moves the selection without reporting it.
    void Select(std::uint8_t index);
    // While the line is lost the last-known controllers show greyed.
    void SetStale(bool stale);

    // At 96 dpi, relative to the map: the cell of an index, and its anchor
    // near the lower right corner (pop-ups and the menu point there).
    static RECT CellRect96(std::uint8_t index);
    static POINT CellAnchor96(std::uint8_t index);
    // "En: Alt + 0NNN" below 0x80, "Ru: Alt + 0NNN" from 0x80 on.
    static std::wstring TooltipText(std::uint8_t index);
    // The colour a cell is painted with.
    static COLORREF CellColour(std::uint8_t index, std::uint8_t selected, const MapSets& sets, bool stale);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc, const RECT& area);
    RECT CellRect(std::uint8_t index) const;
    std::uint8_t IndexAt(int x, int y) const;
    void Move(std::uint8_t index, bool report);
    void InvalidateCell(std::uint8_t index);
    void KeyDown(WPARAM key);

    HWND window_ = nullptr;
    HWND tip_ = nullptr;
    Handlers handlers_;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    std::uint8_t selected_ = 0x47;
    bool stale_ = false;
    std::uint8_t hovered_ = 0;
    std::wstring tipText_;
};

}  // namespace tulex::win32
