#include "win32/LineMap.h"

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <string>
#include <vector>

#include "app/MapShortcuts.h"
#include "display/Colour.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "win32/Ids.h"
#include "win32/Text.h"
#include "win32/WindowParts.h"

namespace tulex::win32 {

namespace {

COLORREF Ref(Colour c) { return RGB(c.r, c.g, c.b); }

const COLORREF kGridLine = RGB(192, 192, 192);

int Scale(int value, int dpi) { return MulDiv(value, dpi, 96); }

}  // namespace

void LineMap::Register(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &LineMap::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = TULEX_MAP_CLASS;
    RegisterClassExW(&wc);
}

HWND LineMap::Create(HWND parent, int id, Handlers handlers) {
    handlers_ = std::move(handlers);
    window_ =
        CreateWindowExW(0, TULEX_MAP_CLASS, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, kWidth, kHeight, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), this);
    // One tool over the whole map; its text follows the cell under the pointer.
    tip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // Line feeds break lines (the figures) only when a width is set.
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, MulDiv(480, dpi_, 96));
    return window_;
}

void LineMap::SetDpi(int dpi) {
    dpi_ = dpi;
    InvalidateRect(window_, nullptr, FALSE);
}

void LineMap::SetFont(HFONT font) {
    font_ = font;
    if (tip_) SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    InvalidateRect(window_, nullptr, FALSE);
}

void LineMap::Select(std::uint8_t index) {
    if (!IsIndexByte(index) || index == selected_) return;
    InvalidateCell(selected_);
    selected_ = index;
    InvalidateCell(selected_);
}

RECT LineMap::CellRect96(std::uint8_t index) {
    if (!IsIndexByte(index)) return {};
    const int k = index - kFirstIndex;
    const int left = (k % kColumns) * (kCellSize + 1) + 1;
    const int top = (k / kColumns) * (kCellSize + 1) + 1;
    return {left, top, left + kCellSize, top + kCellSize};
}

POINT LineMap::CellAnchor96(std::uint8_t index) {
    const int k = IsIndexByte(index) ? index - kFirstIndex : 0;
    const int c = k % kColumns + 1;
    const int r = k / kColumns + 1;
    return {c * (kCellSize + 1) - 5, r * (kCellSize + 1) - 5};
}

std::wstring LineMap::TooltipText(std::uint8_t index) {
    return (index < 0x80 ? L"En: Alt + 0" : L"Ru: Alt + 0") + std::to_wstring(index);
}

COLORREF LineMap::CellColour(std::uint8_t index, std::uint8_t selected, const MapSets& sets, bool stale) {
    // Green wins over grey, grey over the orange selection.
    if (sets.present.test(index)) return Ref(stale ? kCellStalePresent : kCellPresent);
    if (sets.replyOnly.test(index)) return Ref(stale ? kCellStaleReplyOnly : kCellReplyOnly);
    if (index == selected) return Ref(kCellSelected);
    return Ref(kCellWhite);
}

void LineMap::SetStale(bool stale) {
    if (stale_ == stale) return;
    stale_ = stale;
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

RECT LineMap::CellRect(std::uint8_t index) const {
    const RECT r = CellRect96(index);
    return {Scale(r.left, dpi_), Scale(r.top, dpi_), Scale(r.right, dpi_), Scale(r.bottom, dpi_)};
}

std::uint8_t LineMap::IndexAt(int x, int y) const {
    // Back to the 96-dpi layout; a point on a grid line belongs to the cell before it.
    const int x96 = MulDiv(x, 96, dpi_);
    const int y96 = MulDiv(y, 96, dpi_);
    if (x96 < 1 || y96 < 1 || x96 >= kWidth - 1 || y96 >= kHeight - 1) return 0;
    const int col = (x96 - 1) / (kCellSize + 1);
    const int row = (y96 - 1) / (kCellSize + 1);
    return static_cast<std::uint8_t>(kFirstIndex + row * kColumns + col);
}

void LineMap::InvalidateCell(std::uint8_t index) {
    if (!window_ || !IsIndexByte(index)) return;
    const RECT r = CellRect(index);
    InvalidateRect(window_, &r, FALSE);
}

void LineMap::Move(std::uint8_t index, bool report) {
    if (!IsIndexByte(index)) return;
    Select(index);
    if (report && handlers_.selectionMoved) handlers_.selectionMoved(index);
}

void LineMap::Paint(HDC target, const RECT& area) {
    RECT client;
    GetClientRect(window_, &client);
    // Every pixel is painted into a buffer first: no flicker.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = font_ ? SelectObject(dc, font_) : nullptr;

    const MapSets sets = handlers_.sets ? handlers_.sets() : MapSets{};
    HBRUSH grid = CreateSolidBrush(kGridLine);
    FillRect(dc, &client, grid);
    DeleteObject(grid);
    SetBkMode(dc, TRANSPARENT);
    const COLORREF ordinaryText = GetSysColor(COLOR_WINDOWTEXT);
    for (int k = 0; k < kIndexCount; ++k) {
        const auto index = static_cast<std::uint8_t>(kFirstIndex + k);
        RECT cell = CellRect(index);
        RECT overlap;
        if (!IntersectRect(&overlap, &cell, &area)) continue;
        const COLORREF background = CellColour(index, selected_, sets, stale_);
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc, &cell, brush);
        DeleteObject(brush);
        SetTextColor(dc, background == Ref(kCellWhite) ? ordinaryText : RGB(255, 255, 255));
        const char byte = static_cast<char>(index);
        const std::wstring text = W(Cp1251ToUtf8(std::string_view(&byte, 1)));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cell,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (GetFocus() == window_) {
        // Keyboard users see where the arrow keys act.
        RECT focus = CellRect(selected_);
        InflateRect(&focus, -Scale(2, dpi_), -Scale(2, dpi_));
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &focus);
    }
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc, area.left, area.top,
           SRCCOPY);
    if (oldFont) SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

void LineMap::KeyDown(WPARAM key) {
    const int k = selected_ - kFirstIndex;
    const int col = k % kColumns;
    const int row = k / kColumns;
    auto moveTo = [this](int r, int c) { Move(static_cast<std::uint8_t>(kFirstIndex + r * kColumns + c), true); };
    switch (key) {
    case VK_LEFT:
        if (col > 0) moveTo(row, col - 1);
        return;
    case VK_RIGHT:
        if (col < kColumns - 1) moveTo(row, col + 1);
        return;
    case VK_UP:
        if (row > 0) moveTo(row - 1, col);
        return;
    case VK_DOWN:
        if (row < kRows - 1) moveTo(row + 1, col);
        return;
    default: break;
    }
    const int fkey = key >= VK_F1 && key <= VK_F10 ? static_cast<int>(key - VK_F1) + 1 : 0;
    const int digit = key >= '1' && key <= '9' ? static_cast<int>(key - '0') : 0;
    if (!fkey && !digit) return;
    // The keys held down at this moment, as the description reads them.
    std::vector<int> held;
    for (int f : {4, 5, 6, 9})
        if (GetKeyState(VK_F1 + f - 1) & 0x8000) held.push_back(f);
    if (const auto command = MapShortcut(digit ? 0 : fkey, digit, held); command && handlers_.shortcut)
        handlers_.shortcut(*command);
}

LRESULT LineMap::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        Paint(dc, ps.rcPaint);
        EndPaint(window_, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateCell(selected_); return 0;
    case WM_LBUTTONDOWN:
        SetFocus(window_);
        if (const std::uint8_t index = IndexAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) Move(index, true);
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        SetFocus(window_);
        if (const std::uint8_t index = IndexAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
            // A right click moves the selection like a left click first.
            if (message == WM_RBUTTONDOWN) Move(index, true);
            Select(index);
            if (handlers_.menuAsked) handlers_.menuAsked(index);
        }
        return 0;
    case WM_MOUSEMOVE: {
        const std::uint8_t index = IndexAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (index != hovered_) {
            hovered_ = index;
            // A new cell: the tip goes and comes back with the new text.
            SendMessageW(tip_, TTM_POP, 0, 0);
            SendMessageW(tip_, TTM_UPDATE, 0, 0);
        }
        return 0;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == tip_ && header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            tipText_ = hovered_ ? TooltipText(hovered_) : std::wstring();
            const std::wstring figures = hovered_ && handlers_.figures ? handlers_.figures(hovered_) : std::wstring();
            if (!figures.empty()) tipText_ += L"\n\n" + figures;
            info->lpszText = tipText_.data();
            return 0;
        }
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // F10 comes as a system key; it must not open the menu bar here.
        if (message == WM_SYSKEYDOWN && wParam != VK_F10) break;
        KeyDown(wParam);
        return 0;
    case TULEX_WM_CELL_COLOUR: {
        const MapSets sets = handlers_.sets ? handlers_.sets() : MapSets{};
        return static_cast<LRESULT>(CellColour(static_cast<std::uint8_t>(wParam), selected_, sets, stale_));
    }
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK LineMap::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteToObject(window, message, wParam, lParam, &LineMap::window_, &LineMap::Handle);
}

}  // namespace tulex::win32
