#include "win32/MonitorWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "display/TrafficLog.h"
#include "line/Cp1251.h"
#include "win32/Ids.h"
#include "win32/Text.h"
#include "win32/WindowParts.h"

namespace tulex::win32 {

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kGrowColumn = WM_APP + 1;  // wParam: the width the column needs
constexpr int kTextMargin = 12;

}  // namespace

void MonitorWindow::Register(HINSTANCE instance) {
    RegisterFormClass(instance, TULEX_MONITOR_CLASS, &MonitorWindow::WindowProc, COLOR_WINDOW);
}

std::wstring MonitorWindow::Title(bool paused) { return paused ? L"ТУЛЕКС Монитор (ПАУЗА)" : L"ТУЛЕКС Монитор"; }

MonitorWindow::MonitorWindow(const TrafficLog& log, std::function<void()> closed)
    : log_(log), closed_(std::move(closed)) {}

MonitorWindow::~MonitorWindow() {
    if (window_) {
        closed_ = nullptr;
        DestroyWindow(window_);
    }
}

void MonitorWindow::ShowBelow(HWND owner, int dpi) {
    if (window_) DestroyWindow(window_);
    RECT frame{0, 0, 692, kHeight};
    if (owner) GetWindowRect(owner, &frame);
    const int height = MulDiv(kHeight, dpi, 96);
    // No owner: a window of its own on the task bar, as the description has it.
    CreateWindowExW(0, TULEX_MONITOR_CLASS, Title(false).c_str(), WS_OVERLAPPEDWINDOW, frame.left, frame.bottom,
                    frame.right - frame.left, height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!window_) return;
    font_ =
        CreateFontW(-MulDiv(13, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, L"Lucida Console");
    RECT client;
    GetClientRect(window_, &client);
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER |
                                LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                            0, 0, client.right, client.bottom, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MONITOR_LIST)), GetModuleHandleW(nullptr),
                            nullptr);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    HDC dc = GetDC(list_);
    HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    charWidth_ = std::max<int>(1, metrics.tmAveCharWidth);
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    columnWidth_ = client.right;
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = columnWidth_;
    SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    shown_ = 0;
    generation_ = log_.Generation();
    Refresh();
    ShowWindow(window_, SW_SHOWNORMAL);
    SetTimer(window_, kTickTimer, kTickMs, nullptr);
}

void MonitorWindow::Restore() {
    if (!window_) return;
    ShowWindow(window_, SW_RESTORE);
    SetForegroundWindow(window_);
}

void MonitorWindow::SetPaused(bool paused) {
    if (window_) SetWindowTextW(window_, Title(paused).c_str());
}

void MonitorWindow::Refresh() {
    if (!list_) return;
    const std::size_t count = log_.Count();
    const std::uint64_t generation = log_.Generation();
    if (count == shown_ && generation == generation_) return;
    // Following the end while the last shown line is in view.
    const auto top = static_cast<std::size_t>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
    const auto perPage = static_cast<std::size_t>(SendMessageW(list_, LVM_GETCOUNTPERPAGE, 0, 0));
    const bool follow = shown_ == 0 || top + perPage >= shown_;
    const bool restart = count < shown_ || generation != generation_;
    generation_ = generation;
    shown_ = count;
    SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                 restart ? 0 : LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (restart) InvalidateRect(list_, nullptr, TRUE);
    if (follow && count > 0) SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), FALSE);
}

void MonitorWindow::CopySelection() {
    const auto selected =
        static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (selected < 0) return;
    const std::wstring text = W(Cp1251ToUtf8(log_.Line(static_cast<std::size_t>(selected))));
    if (!OpenClipboard(window_)) return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

LRESULT MonitorWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (list_) MoveWindow(list_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (list_) SetFocus(list_);
        return 0;
    case WM_TIMER:
        if (wParam == kTickTimer) Refresh();
        return 0;
    case kGrowColumn:
        if (list_ && static_cast<int>(wParam) > columnWidth_) {
            columnWidth_ = static_cast<int>(wParam);
            SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, columnWidth_);
        }
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != list_) break;
        if (header->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            if (info->item.mask & LVIF_TEXT) {
                const std::string bytes = log_.Line(static_cast<std::size_t>(info->item.iItem));
                row_ = W(Cp1251ToUtf8(bytes));
                info->item.pszText = row_.data();
                const int width = static_cast<int>(row_.size()) * charWidth_ + kTextMargin;
                if (width > columnWidth_) PostMessageW(window_, kGrowColumn, static_cast<WPARAM>(width), 0);
            }
            return 0;
        }
        if (header->code == LVN_KEYDOWN) {
            const auto* key = reinterpret_cast<NMLVKEYDOWN*>(lParam);
            if (key->wVKey == 'C' && (GetKeyState(VK_CONTROL) & 0x8000)) CopySelection();
            return 0;
        }
        break;
    }
    case WM_NCDESTROY: {
        KillTimer(window_, kTickTimer);
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        list_ = nullptr;
        if (font_) DeleteObject(font_);
        font_ = nullptr;
        if (closed_) closed_();
        return 0;
    }
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK MonitorWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteToObject(window, message, wParam, lParam, &MonitorWindow::window_, &MonitorWindow::Handle);
}

}  // namespace tulex::win32
