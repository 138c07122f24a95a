#include "win32/StatisticsWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "win32/Ids.h"
#include "win32/Text.h"
#include "win32/WindowParts.h"

namespace tulex::win32 {

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// At 96 dpi: the margin, the buttons and the room a cell's text needs
// beside its characters.
constexpr int kMargin = 8;
constexpr int kButtonHeight = 23;
constexpr int kResetWidth = 75;
constexpr int kExportWidth = 100;
constexpr int kCellPadding = 14;
constexpr int kArrowWidth = 18;
constexpr int kFirstColumnIndent = 6;

StatisticsColumn ColumnOf(int column) { return static_cast<StatisticsColumn>(column); }

}  // namespace

void StatisticsWindow::Register(HINSTANCE instance) {
    RegisterFormClass(instance, TULEX_STATISTICS_CLASS, &StatisticsWindow::WindowProc, COLOR_BTNFACE);
}

StatisticsWindow::StatisticsWindow(LineStatistics& statistics, std::function<void()> exportRequested)
    : statistics_(statistics), exportRequested_(std::move(exportRequested)) {}

StatisticsWindow::~StatisticsWindow() {
    if (window_) DestroyWindow(window_);
}

void StatisticsWindow::Show(HWND main, int dpi, int others) {
    if (window_) {
        BringToFront(window_);
        Refresh();
        return;
    }
    const int own = OpenToolWindow(TULEX_STATISTICS_CLASS, L"ТУЛЕКС Статистика", kWidth, kHeight, main, dpi, others,
                                   this, [this] { CreateControls(); });
    if (own == 0) return;
    ApplyDpi(own);
    version_ = ~std::uint64_t{0};
    Refresh();
    ShowWindow(window_, SW_SHOWNORMAL);
    StartRefreshing();
}

void StatisticsWindow::CreateControls() {
    list_ = CreateChild(window_, WC_LISTVIEWW, L"",
                        WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                        IDC_STATISTICS_LIST);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP | LVS_EX_GRIDLINES);
    for (int c = 0; c < kStatisticsColumnCount; ++c) {
        const std::wstring header = W(StatisticsHeader(ColumnOf(c)));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        column.fmt = StatisticsAlignedLeft(ColumnOf(c)) ? LVCFMT_LEFT : LVCFMT_RIGHT;
        column.cx = 60;
        column.pszText = const_cast<wchar_t*>(header.c_str());
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
    saved_ =
        CreateChild(window_, WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, IDC_STATISTICS_SAVED);
    reset_ = CreateChild(window_, WC_BUTTONW, L"Сбросить", WS_TABSTOP | BS_PUSHBUTTON, IDC_STATISTICS_RESET);
    export_ = CreateChild(window_, WC_BUTTONW, L"Экспорт CSV...", WS_TABSTOP | BS_PUSHBUTTON, IDC_STATISTICS_EXPORT);
    widths_.assign(kStatisticsColumnCount, 0);
    ShowSortArrow();
}

void StatisticsWindow::ApplyDpi(int dpi) {
    dpi_ = dpi;
    HFONT old = font_;
    font_ = CreateFormFont(dpi);
    for (HWND child : {list_, saved_, reset_, export_})
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (old) DeleteObject(old);
    widths_.assign(kStatisticsColumnCount, 0);
    FitColumns();
    Layout();
    InvalidateRect(window_, nullptr, TRUE);
}

void StatisticsWindow::Layout() {
    RECT client;
    GetClientRect(window_, &client);
    const int margin = Scale(kMargin);
    const int buttonHeight = Scale(kButtonHeight);
    const int bottom = client.bottom - margin - buttonHeight;
    MoveWindow(list_, margin, margin, std::max(0, static_cast<int>(client.right) - 2 * margin),
               std::max(0, bottom - 2 * margin + Scale(2)), TRUE);
    const int exportLeft = client.right - margin - Scale(kExportWidth);
    const int resetLeft = exportLeft - Scale(6) - Scale(kResetWidth);
    MoveWindow(export_, exportLeft, bottom, Scale(kExportWidth), buttonHeight, TRUE);
    MoveWindow(reset_, resetLeft, bottom, Scale(kResetWidth), buttonHeight, TRUE);
    MoveWindow(saved_, margin, bottom, std::max(0, resetLeft - 2 * margin), buttonHeight, TRUE);
}

void StatisticsWindow::Refresh() {
    if (!list_) return;
    const std::uint64_t version = statistics_.Version();
    if (version == version_) return;
    version_ = version;
    // The selected controller stays selected wherever its row goes.
    const auto selected =
        static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    const int selectedIndex = selected >= 0 && selected < static_cast<int>(rows_.size())
                                  ? rows_[static_cast<std::size_t>(selected)].index
                                  : -1;
    rows_ = statistics_.Snapshot();
    Sort();
    SendMessageW(list_, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOSCROLL);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].index != selectedIndex) continue;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
    FitColumns();
    InvalidateRect(list_, nullptr, FALSE);
}

void StatisticsWindow::Sort() {
    // Stable: rows of equal figures keep the order of their indexes.
    std::stable_sort(rows_.begin(), rows_.end(), [this](const ControllerFigures& a, const ControllerFigures& b) {
        return descending_ ? StatisticsLess(b, a, sortColumn_) : StatisticsLess(a, b, sortColumn_);
    });
}

void StatisticsWindow::SortBy(int column) {
    if (column < 0 || column >= kStatisticsColumnCount) return;
    // The sorted column turns its order round; another starts upwards.
    descending_ = ColumnOf(column) == sortColumn_ ? !descending_ : false;
    sortColumn_ = ColumnOf(column);
    ShowSortArrow();
    FitColumns();
    // Sorted afresh from the index order, as the figures come.
    version_ = ~std::uint64_t{0};
    Refresh();
}

void StatisticsWindow::ShowSortArrow() {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    for (int c = 0; c < kStatisticsColumnCount; ++c) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (ColumnOf(c) == sortColumn_) item.fmt |= descending_ ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
    }
}

void StatisticsWindow::FitColumns() {
    // Each column as wide as its header or its widest cell.
    if (!list_ || !font_) return;
    HDC dc = GetDC(list_);
    HGDIOBJ old = SelectObject(dc, font_);
    const auto width = [dc](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const Clock& clock = statistics_.clock();
    for (int c = 0; c < kStatisticsColumnCount; ++c) {
        // The sorted column's header leaves room for its arrow; the first
        // column's cells stand a little further in.
        int needed = width(W(StatisticsHeader(ColumnOf(c)))) + Scale(kCellPadding) +
                     (ColumnOf(c) == sortColumn_ ? Scale(kArrowWidth) : 0);
        for (const ControllerFigures& f : rows_)
            needed = std::max(needed, width(W(StatisticsCell(f, ColumnOf(c), clock))) + Scale(kCellPadding));
        if (c == 0) needed += Scale(kFirstColumnIndent);
        if (needed == widths_[static_cast<std::size_t>(c)]) continue;
        widths_[static_cast<std::size_t>(c)] = needed;
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), needed);
    }
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
}

void StatisticsWindow::ShowSaved(const std::wstring& text) {
    if (saved_) SetWindowTextW(saved_, text.c_str());
}

void StatisticsWindow::StartRefreshing() {
    if (refreshing_ || !window_) return;
    refreshing_ = SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr) != 0;
}

void StatisticsWindow::StopRefreshing() {
    if (!refreshing_) return;
    KillTimer(window_, kRefreshTimer);
    refreshing_ = false;
}

LRESULT StatisticsWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        // Minimized, nothing refreshes; restored, the figures come in at once.
        if (wParam == SIZE_MINIMIZED) {
            StopRefreshing();
            return 0;
        }
        if (list_) {
            Layout();
            Refresh();
            if (IsWindowVisible(window_)) StartRefreshing();
        }
        return 0;
    case WM_SETFOCUS:
        if (list_) SetFocus(list_);
        return 0;
    case WM_TIMER:
        if (wParam == kRefreshTimer) Refresh();
        return 0;
    case WM_DPICHANGED: {
        ApplyDpi(HIWORD(wParam));
        MoveToSuggestedRect(window_, lParam);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_STATISTICS_RESET:
            statistics_.Reset();
            Refresh();
            return 0;
        case IDC_STATISTICS_EXPORT:
            if (exportRequested_) exportRequested_();
            return 0;
        default: break;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom != list_) break;
        if (header->code == LVN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
            const auto row = static_cast<std::size_t>(info->item.iItem);
            if ((info->item.mask & LVIF_TEXT) && row < rows_.size()) {
                cell_ = W(StatisticsCell(rows_[row], ColumnOf(info->item.iSubItem), statistics_.clock()));
                info->item.pszText = cell_.data();
            }
            return 0;
        }
        if (header->code == LVN_COLUMNCLICK) {
            SortBy(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
            return 0;
        }
        if (header->code == LVN_GETINFOTIPW) {
            // The row's figures in a few lines, as the map cell's tool-tip.
            auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lParam);
            const auto row = static_cast<std::size_t>(tip->iItem);
            if (row < rows_.size() && tip->pszText && tip->cchTextMax > 0) {
                const std::wstring text = W(FiguresToolTip(rows_[row], statistics_.clock()));
                lstrcpynW(tip->pszText, text.c_str(), tip->cchTextMax);
            }
            return 0;
        }
        break;
    }
    case WM_SHOWWINDOW:
        if (!wParam) StopRefreshing();
        break;
    case WM_NCDESTROY:
        StopRefreshing();
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        list_ = reset_ = export_ = saved_ = nullptr;
        if (font_) DeleteObject(font_);
        font_ = nullptr;
        return 0;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK StatisticsWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteToObject(window, message, wParam, lParam, &StatisticsWindow::window_, &StatisticsWindow::Handle);
}

}  // namespace tulex::win32
