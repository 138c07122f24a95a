#include "win32/Popups.h"

#include <commctrl.h>

#include <algorithm>
#include <cstddef>

#include "app/StatusTexts.h"
#include "app/View.h"
#include "display/Colour.h"
#include "win32/Dialogs.h"
#include "win32/Text.h"

namespace tulex::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

// Coloured tool-tips need the classic look: a themed tool-tip ignores
// TTM_SETTIPBKCOLOR. uxtheme is loaded when first needed, so the program
// imports no more than Windows' core DLLs.
void ClassicLook(HWND window) {
    using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    static const auto setTheme = [] {
        HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
        return uxtheme ? reinterpret_cast<SetWindowThemeFn>(
                             reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")))
                       : nullptr;
    }();
    if (setTheme) setTheme(window, L"", L"");
}

// Takes no input: the mouse goes through to what lies below, and a click
// never activates it. The controller balloon and the sensor pop-up draw
// their corner mark after the tool-tip's own painting.
LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR cornerMark) {
    switch (message) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_PAINT: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        if (cornerMark) {
            // The triangle (1,1)-(1,8)-(8,1) points at the cell.
            HDC dc = GetDC(window);
            MoveToEx(dc, 1, 1, nullptr);
            LineTo(dc, 1, 8);
            LineTo(dc, 8, 1);
            LineTo(dc, 1, 1);
            ReleaseDC(window, dc);
        }
        return result;
    }
    case WM_NCDESTROY: RemoveWindowSubclass(window, PopupProc, kSubclassId); break;
    default: break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

TTTOOLINFOW Tool(HWND window, const std::wstring& text) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.hwnd = window;
    tool.uId = 0;
    // A tool-tip without text is not shown at all.
    tool.lpszText = const_cast<wchar_t*>(text.empty() ? L" " : text.c_str());
    return tool;
}

void Raise(HWND window) {
    if (window && IsWindowVisible(window))
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

Popups::Popups(HWND owner, std::function<POINT(std::uint8_t)> screenPoint)
    : owner_(owner), screenPoint_(std::move(screenPoint)) {}

Popups::~Popups() {
    RemoveAllCards();
    RemoveBalloon();
    RemoveSensor();
}

Popups::Popup Popups::Create(bool balloonStyle, std::uint8_t index, const std::wstring& title, const std::wstring& text,
                             const COLORREF* colour, bool cornerMark) {
    Popup popup;
    popup.index = index;
    popup.window = CreateWindowExW(
        WS_EX_TOPMOST | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
        WS_POPUP | WS_DISABLED | TTS_NOPREFIX | TTS_ALWAYSTIP | (balloonStyle ? TTS_BALLOON : 0), CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!popup.window) return popup;
    SetWindowSubclass(popup.window, PopupProc, kSubclassId, cornerMark ? 1 : 0);
    if (colour) ClassicLook(popup.window);
    TTTOOLINFOW tool = Tool(popup.window, text);
    SendMessageW(popup.window, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    // Line feeds break lines only when a width is set.
    SendMessageW(popup.window, TTM_SETMAXTIPWIDTH, 0, MulDiv(480, dpi_, 96));
    SendMessageW(popup.window, TTM_SETTITLEW, TTI_NONE, reinterpret_cast<LPARAM>(title.c_str()));
    // The window's own name is the title too, for whoever reads the screen
    // from outside (accessibility, the window test): a tool-tip has no
    // message that gives its title on every Windows.
    SetWindowTextW(popup.window, title.c_str());
    if (colour) {
        SendMessageW(popup.window, TTM_SETTIPBKCOLOR, *colour, 0);
        SendMessageW(popup.window, TTM_SETTIPTEXTCOLOR, RGB(0, 0, 0), 0);
    }
    Place(popup);
    return popup;
}

void Popups::Place(const Popup& popup) {
    if (!popup.window) return;
    const POINT p = screenPoint_(popup.index);
    SendMessageW(popup.window, TTM_TRACKPOSITION, 0, MAKELPARAM(p.x, p.y));
}

void Popups::Activate(const Popup& popup, bool on) {
    if (!popup.window) return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = popup.window;
    tool.uId = 0;
    SendMessageW(popup.window, TTM_TRACKACTIVATE, on ? TRUE : FALSE, reinterpret_cast<LPARAM>(&tool));
}

void Popups::Present(const Popup& popup) {
    // Created while the window is minimized: stays hidden until restore.
    const bool show = !hidden_ && !dialogOpen_ && IsWindowVisible(owner_) && !IsIconic(owner_);
    Activate(popup, show);
    if (show) Restack();
}

void Popups::Restack() {
    if (balloon_.window) Raise(balloon_.window);
    Raise(CurrentDialog());
}

void Popups::Destroy(Popup& popup) {
    if (popup.window) DestroyWindow(popup.window);
    popup = Popup{};
}

void Popups::SetText(const Popup& popup, const std::wstring& text) {
    if (!popup.window) return;
    TTTOOLINFOW tool = Tool(popup.window, text);
    SendMessageW(popup.window, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(popup.window, TTM_UPDATE, 0, 0);
}

void Popups::ShowCard(std::uint8_t index, const std::wstring& title, const std::wstring& text) {
    if (cards_.size() >= kMaxCardPopups) {
        RemoveCard(0);
        ++skipped_;
    }
    Popup card = Create(true, index, title, text, nullptr, false);
    if (!card.window) return;
    card.text = text;
    card.timer = nextTimer_++;
    SetTimer(owner_, card.timer, kCardLifetimeMs, nullptr);
    if (!cards_.empty() && skipped_ > 0) SetText(cards_.back(), cards_.back().text);
    cards_.push_back(card);
    UpdateNote();
    Present(cards_.back());
}

void Popups::CountSkipped(std::size_t count) {
    skipped_ += count;
    UpdateNote();
}

void Popups::UpdateNote() {
    if (cards_.empty()) {
        skipped_ = 0;
        return;
    }
    if (skipped_ == 0) return;
    const Popup& newest = cards_.back();
    SetText(newest, newest.text + L"\n" + W(SkippedPopupsNote(skipped_)));
}

void Popups::RemoveCard(std::size_t position) {
    Popup& card = cards_[position];
    KillTimer(owner_, card.timer);
    Destroy(card);
    cards_.erase(cards_.begin() + static_cast<std::ptrdiff_t>(position));
}

bool Popups::CardTimer(UINT_PTR id) {
    const auto it = std::find_if(cards_.begin(), cards_.end(), [id](const Popup& p) { return p.timer == id; });
    if (it == cards_.end()) return false;
    const bool newest = it + 1 == cards_.end();
    RemoveCard(static_cast<std::size_t>(it - cards_.begin()));
    // The count moves to the card that is now the newest.
    if (newest) UpdateNote();
    if (cards_.empty()) skipped_ = 0;
    return true;
}

void Popups::RemoveAllCards() {
    for (Popup& card : cards_) {
        KillTimer(owner_, card.timer);
        Destroy(card);
    }
    cards_.clear();
    skipped_ = 0;
}

void Popups::ShowBalloon(std::uint8_t index, const std::wstring& title, const std::wstring& text, COLORREF colour) {
    RemoveBalloon();
    balloon_ = Create(false, index, title, text, &colour, true);
    Present(balloon_);
}

void Popups::SetBalloonText(const std::wstring& text) { SetText(balloon_, text); }

void Popups::RemoveBalloon() { Destroy(balloon_); }

void Popups::ShowSensor(std::uint8_t index, const std::wstring& text) {
    RemoveSensor();
    const COLORREF colour = RGB(kSensorColour.r, kSensorColour.g, kSensorColour.b);
    sensor_ = Create(false, index, L"Датчик", text, &colour, true);
    Present(sensor_);
}

void Popups::RemoveSensor() { Destroy(sensor_); }

void Popups::HideAll() {
    hidden_ = true;
    for (const Popup& card : cards_) Activate(card, false);
    Activate(balloon_, false);
    Activate(sensor_, false);
}

void Popups::ShowAll() {
    hidden_ = false;
    for (const Popup& card : cards_) Present(card);
    Present(sensor_);
    Present(balloon_);
}

void Popups::SetDialogOpen(bool open) {
    dialogOpen_ = open;
    for (const Popup& card : cards_) Present(card);
    Present(sensor_);
    Present(balloon_);
}

void Popups::MoveAll() {
    for (const Popup& card : cards_) Place(card);
    Place(balloon_);
    Place(sensor_);
}

}  // namespace tulex::win32
