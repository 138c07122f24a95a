#include "win32/EventWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "app/EventFeed.h"
#include "win32/Ids.h"
#include "win32/Text.h"
#include "win32/WindowParts.h"

namespace tulex::win32 {

namespace {

constexpr UINT_PTR kSearchTimer = 1;
// At 96 dpi: the margin, the top row's height, the count's and the button's
// widths, and the columns' widths (the last takes what is left).
constexpr int kMargin = 4;
constexpr int kRowHeight = 23;
constexpr int kCountWidth = 130;
constexpr int kClearWidth = 75;
constexpr int kColumnWidths[] = {90, 50, 100, 170, 90, 80};

// The search as typed, without the spaces around it.
std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

void EventWindow::Register(HINSTANCE instance) {
    RegisterFormClass(instance, TULEX_EVENTS_CLASS, &EventWindow::WindowProc, COLOR_BTNFACE);
}

EventWindow::EventWindow(EventFeed& feed) : feed_(feed) {}

EventWindow::~EventWindow() {
    if (window_) DestroyWindow(window_);
}

void EventWindow::Show(HWND main, int dpi, int others) {
    if (window_) return BringToFront(window_);
    const int own =
        OpenToolWindow(TULEX_EVENTS_CLASS, L"ТУЛЕКС События", kWidth, kHeight, main, dpi, others, this, [this] {
            list_ = std::make_unique<EventList>(feed_);
            CreateControls();
        });
    if (own == 0) return;
    ApplyDpi(own);
    shown_ = 0;
    ShowRows(list_->RowCount(), true, true);
    UpdateCount();
    ShowWindow(window_, SW_SHOWNORMAL);
}

void EventWindow::CreateControls() {
    search_ = CreateChild(window_, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, IDC_EVENT_SEARCH, WS_EX_CLIENTEDGE);
    SendMessageW(search_, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"Поиск: индекс, номер карты, заголовок, направление"));
    count_ = CreateChild(window_, WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, IDC_EVENT_COUNT);
    clear_ = CreateChild(window_, WC_BUTTONW, L"Очистить", WS_TABSTOP | BS_PUSHBUTTON, IDC_EVENT_CLEAR);
    view_ = CreateChild(window_, WC_LISTVIEWW, L"",
                        WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                        IDC_EVENT_LIST);
    SendMessageW(view_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int c = 0; c < EventList::ColumnCount; ++c) {
        const std::wstring header = W(EventList::Header(c));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        // The time and the index are centred (the first column of a list
        // view is always left-aligned).
        column.fmt = c == EventList::Index ? LVCFMT_CENTER : LVCFMT_LEFT;
        column.cx = 60;
        column.pszText = const_cast<wchar_t*>(header.c_str());
        SendMessageW(view_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
}

void EventWindow::ApplyDpi(int dpi) {
    dpi_ = dpi;
    HFONT old = font_;
    font_ = CreateFormFont(dpi);
    for (HWND child : {search_, count_, clear_, view_})
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (old) DeleteObject(old);
    for (int c = 0; c < static_cast<int>(std::size(kColumnWidths)); ++c)
        SendMessageW(view_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), Scale(kColumnWidths[c]));
    Layout();
    InvalidateRect(window_, nullptr, TRUE);
}

void EventWindow::Layout() {
    RECT client;
    GetClientRect(window_, &client);
    const int margin = Scale(kMargin);
    const int row = Scale(kRowHeight);
    const int clearLeft = client.right - margin - Scale(kClearWidth);
    const int countLeft = clearLeft - margin - Scale(kCountWidth);
    MoveWindow(search_, margin, margin + Scale(1), std::max(0, countLeft - 2 * margin), row - Scale(2), TRUE);
    MoveWindow(count_, countLeft, margin, Scale(kCountWidth), row, TRUE);
    MoveWindow(clear_, clearLeft, margin, Scale(kClearWidth), row, TRUE);
    const int top = 2 * margin + row;
    MoveWindow(view_, margin, top, std::max(0, static_cast<int>(client.right) - 2 * margin),
               std::max(0, static_cast<int>(client.bottom) - top - margin), TRUE);
    // "Данные" takes the rest of the width.
    SendMessageW(view_, LVM_SETCOLUMNWIDTH, EventList::Data, LVSCW_AUTOSIZE_USEHEADER);
}

bool EventWindow::AtEnd() const {
    const auto top = static_cast<std::size_t>(SendMessageW(view_, LVM_GETTOPINDEX, 0, 0));
    const auto perPage = static_cast<std::size_t>(SendMessageW(view_, LVM_GETCOUNTPERPAGE, 0, 0));
    return shown_ == 0 || top + perPage >= shown_;
}

void EventWindow::ShowRows(std::size_t rows, bool restart, bool follow) {
    shown_ = rows;
    SendMessageW(view_, LVM_SETITEMCOUNT, rows, restart ? 0 : LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (restart) InvalidateRect(view_, nullptr, TRUE);
    if (follow && rows > 0) SendMessageW(view_, LVM_ENSUREVISIBLE, rows - 1, FALSE);
}

void EventWindow::Refresh() {
    if (!window_ || !list_) return;
    const bool follow = AtEnd();
    const EventList::Update update = list_->Refresh();
    if (update.restart || update.added > 0) ShowRows(list_->RowCount(), update.restart, follow);
    UpdateCount();
}

void EventWindow::ApplySearch() {
    KillTimer(window_, kSearchTimer);
    std::wstring typed(static_cast<std::size_t>(GetWindowTextLengthW(search_)) + 1, L'\0');
    typed.resize(static_cast<std::size_t>(GetWindowTextW(search_, typed.data(), static_cast<int>(typed.size()))));
    const std::string text = Trimmed(U(typed));
    if (text == list_->SearchText()) return;
    list_->SetSearchText(text);
    ShowRows(list_->RowCount(), true, true);
    UpdateCount();
}

void EventWindow::UpdateCount() { SetWindowTextW(count_, W(list_->CountText()).c_str()); }

LRESULT EventWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (view_ && wParam != SIZE_MINIMIZED) Layout();
        return 0;
    case WM_SETFOCUS:
        if (search_) SetFocus(search_);
        return 0;
    case WM_TIMER:
        if (wParam == kSearchTimer) ApplySearch();
        return 0;
    case WM_DPICHANGED: {
        ApplyDpi(HIWORD(wParam));
        MoveToSuggestedRect(window_, lParam);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EVENT_SEARCH:
            if (HIWORD(wParam) == EN_CHANGE) SetTimer(window_, kSearchTimer, kSearchDelayMs, nullptr);
            return 0;
        case IDOK:  // Enter in the search box
            ApplySearch();
            return 0;
        case IDC_EVENT_CLEAR:
            feed_.Clear();
            Refresh();
            return 0;
        default: break;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom != view_ || header->code != LVN_GETDISPINFOW) break;
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        const auto row = static_cast<std::size_t>(info->item.iItem);
        if ((info->item.mask & LVIF_TEXT) && list_ && row < list_->RowCount()) {
            cell_ = W(EventList::Cell(list_->Row(row), info->item.iSubItem));
            info->item.pszText = cell_.data();
        }
        return 0;
    }
    case WM_NCDESTROY:
        KillTimer(window_, kSearchTimer);
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        search_ = count_ = clear_ = view_ = nullptr;
        list_.reset();
        if (font_) DeleteObject(font_);
        font_ = nullptr;
        return 0;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK EventWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteToObject(window, message, wParam, lParam, &EventWindow::window_, &EventWindow::Handle);
}

}  // namespace tulex::win32
