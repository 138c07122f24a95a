// tulex.exe driven through its window messages, from another process, as
// an operator would use it: the form, the port opened on COM1 (which the
// wine tests map to a fresh tulex-sim), the monitor's lines, "Читать
// параметры контроллера" with its report in the balloon and the map turning
// green, a card event's pop-up at its cell, the statistics window (its
// figures, its sort, its CSV export), the event list (its rows and its
// search), the About box, the input dialog and the question with Russian
// buttons, the save, and the close.
//
// Usage: window_test TULEX_EXE SCRATCH_FOLDER [gtest options]
// It writes "CARD" on a line of its own whenever it wants a card event from
// controller G with data 123456789000 (the test that runs it sends one), and
// "LOSE" once when COM1's line is to go away and another take its place.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "serial/WideText.h"
#include "tests/winwindow/RemoteWindow.h"
#include "win32/Ids.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

std::wstring g_program;
std::wstring g_scratch;

std::string N(const std::wstring& text) { return Utf8FromWide(text); }

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
}

void AskForCard() {
    std::printf("CARD\n");
    std::fflush(stdout);
}

class Window : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::wstring command = L"\"" + g_program + L"\" --port COM1 --monitor";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(g_program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process_))
            return;
        WaitFor(
            [] {
                for (HWND w : TopLevelWindows(process_.dwProcessId))
                    if (ClassOf(w) == TULEX_MAIN_CLASS && IsWindowVisible(w)) main_ = w;
                return main_ != nullptr;
            },
            60s);
        remote_ = new RemoteProcess(process_.dwProcessId);
    }
    static void TearDownTestSuite() {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 9);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        delete remote_;
    }
    void SetUp() override {
        ASSERT_NE(process_.hProcess, nullptr) << "tulex.exe did not start";
        ASSERT_NE(main_, nullptr) << "no main window";
    }

    static HWND Control(int id) { return GetDlgItem(main_, id); }
    static int Scale(int value) {
        HDC dc = GetDC(nullptr);
        const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
        ReleaseDC(nullptr, dc);
        return MulDiv(value, dpi, 96);
    }
    static COLORREF CellColour(unsigned char index) {
        return static_cast<COLORREF>(SendMessageW(Control(IDC_MAP), TULEX_WM_CELL_COLOUR, index, 0));
    }
    static void ClickCell(unsigned char index) {
        const int k = index - 0x47;
        const LPARAM at = MAKELPARAM(Scale((k % 26) * 26 + 13), Scale((k / 26) * 26 + 13));
        SendMessageW(Control(IDC_MAP), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(Control(IDC_MAP), WM_LBUTTONUP, 0, at);
    }
    static void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

    static HWND Monitor() {
        for (HWND w : TopLevelWindows(process_.dwProcessId))
            if (ClassOf(w) == TULEX_MONITOR_CLASS) return w;
        return nullptr;
    }
    static std::vector<std::wstring> MonitorLines() {
        std::vector<std::wstring> lines;
        HWND list = GetDlgItem(Monitor(), IDC_MONITOR_LIST);
        if (!list) return lines;
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) lines.push_back(remote_->ListItemText(list, i));
        return lines;
    }
    static bool MonitorHas(const std::wstring& text) {
        for (const std::wstring& line : MonitorLines())
            if (line.find(text) != std::wstring::npos) return true;
        return false;
    }
    // Our visible tool-tip pop-ups (owned by the main window), topmost first.
    static std::vector<HWND> Popups() {
        std::vector<HWND> popups;
        for (HWND w : TopLevelWindows(process_.dwProcessId))
            if (ClassOf(w) == TOOLTIPS_CLASSW && GetWindow(w, GW_OWNER) == main_ && IsWindowVisible(w))
                popups.push_back(w);
        return popups;
    }
    static HWND PopupTitled(const std::wstring& title, bool balloonStyle) {
        for (HWND w : Popups()) {
            const bool balloon = GetWindowLongW(w, GWL_STYLE) & TTS_BALLOON;
            if (balloon == balloonStyle && WindowName(w).rfind(title, 0) == 0) return w;
        }
        return nullptr;
    }
    static HWND Dialog(const std::wstring& caption) {
        for (HWND w : TopLevelWindows(process_.dwProcessId))
            if (ClassOf(w) == L"#32770" && IsWindowVisible(w) && WindowName(w) == caption) return w;
        return nullptr;
    }
    static std::size_t CardLinesInMonitor() {
        std::size_t n = 0;
        for (const std::wstring& line : MonitorLines()) n += line.find(L"1234567890") != std::wstring::npos;
        return n;
    }
    static std::vector<HWND> CardPopups() {
        std::vector<HWND> cards;
        for (HWND w : Popups())
            if ((GetWindowLongW(w, GWL_STYLE) & TTS_BALLOON) && WindowName(w) == L"Доступ запрещен") cards.push_back(w);
        return cards;
    }
    // A tool window of ours on screen, by its class.
    static HWND ToolWindow(const wchar_t* windowClass) {
        for (HWND w : TopLevelWindows(process_.dwProcessId))
            if (ClassOf(w) == windowClass && IsWindowVisible(w)) return w;
        return nullptr;
    }
    static int Rows(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    static std::vector<std::string> Column(HWND list, int column) {
        std::vector<std::string> cells;
        for (int row = 0, rows = Rows(list); row < rows; ++row)
            cells.push_back(N(remote_->ListItemText(list, row, column)));
        return cells;
    }
    static std::vector<std::string> RowCells(HWND list, int row, int columns) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column) cells.push_back(N(remote_->ListItemText(list, row, column)));
        return cells;
    }
    // A click on a list view's column header, as the pointer gives it.
    static void ClickHeader(HWND list, int column) {
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        int x = 0;
        for (int c = 0; c < column; ++c) x += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
        x += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
        RECT r;
        GetClientRect(header, &r);
        const LPARAM at = MAKELPARAM(x, r.bottom / 2);
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(header, WM_LBUTTONUP, 0, at);
    }
    static std::string FileText(const std::wstring& path) {
        std::ifstream in(path.c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static std::size_t ZOrder(HWND window) {
        const std::vector<HWND> all = TopLevelWindows(process_.dwProcessId);
        return static_cast<std::size_t>(std::find(all.begin(), all.end(), window) - all.begin());
    }

    static constexpr int kProgressPanel = 3;
    static constexpr int kConnectionPanel = 4;

    static inline PROCESS_INFORMATION process_{};
    static inline HWND main_ = nullptr;
    static inline RemoteProcess* remote_ = nullptr;
};

TEST_F(Window, IsTheFormOfTheDescription) {
    EXPECT_EQ(N(WindowName(main_)), "ТУЛЕКС 1.8");
    RECT client;
    GetClientRect(main_, &client);
    EXPECT_EQ(client.right, Scale(692));
    EXPECT_EQ(client.bottom, Scale(324));
    const LONG style = GetWindowLongW(main_, GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "fixed border";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    // Centred on the work area.
    RECT frame, work;
    GetWindowRect(main_, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((frame.left + frame.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, (work.top + work.bottom) / 2, 2);

    const std::pair<int, const char*> texts[] = {
        {IDC_PORT_GROUP, "Управление COM-портом"},
        {IDC_CONVERTER_GROUP, "Управление преобразователем RS232/RS485"},
        {IDC_OPEN, "Открыть"},
        {IDC_CLOSE, "Закрыть"},
        {IDC_MONITOR, "&Mонитор"},
        {IDC_SEARCH, "Поиск контроллеров"},
        {IDC_STOP, "Остановить"},
        {IDC_SPEED_BOX, "9600"},
    };
    for (const auto& [id, text] : texts) EXPECT_EQ(N(WindowText(Control(id))), text) << id;
    HWND status = Control(IDC_STATUS);
    EXPECT_EQ(N(remote_->StatusText(status, 0)), "  Контроллеров в линии:");
    RECT map;
    GetWindowRect(Control(IDC_MAP), &map);
    EXPECT_EQ(map.right - map.left, Scale(677));
    EXPECT_EQ(map.bottom - map.top, Scale(183));
}

TEST_F(Window, OpensTheGivenPortAndLogsItInTheMonitor) {
    ASSERT_TRUE(WaitFor([] { return Monitor() != nullptr; }, 10s));
    EXPECT_EQ(N(WindowName(Monitor())), "ТУЛЕКС Монитор");
    EXPECT_TRUE(WaitFor([] { return MonitorHas(L"   COM1   ---   Порт открыт. Скорость, бит/с — 9600"); }, 20s))
        << "monitor rows: " << MonitorLines().size();
    // The port's controls are off while it is open; the command controls on.
    EXPECT_EQ(N(WindowText(Control(IDC_PORT_BOX))), "COM1");
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_OPEN)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_PORT_BOX)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_CLOSE)));
    EXPECT_EQ(N(remote_->StatusText(Control(IDC_STATUS), 1)), "0");
    EXPECT_EQ(N(remote_->StatusText(Control(IDC_STATUS), 2)), "0");
    EXPECT_EQ(N(remote_->StatusText(Control(IDC_STATUS), kConnectionPanel)), "COM1, 9600 бит/с: открыт");
}

TEST_F(Window, MapSelectsTheClickedCell) {
    EXPECT_EQ(CellColour('G'), RGB(255, 102, 0));
    ClickCell('H');
    EXPECT_EQ(CellColour('H'), RGB(255, 102, 0));
    EXPECT_EQ(CellColour('G'), RGB(255, 255, 255));
    ClickCell('G');
    EXPECT_EQ(CellColour('G'), RGB(255, 102, 0));
    EXPECT_EQ(CellColour('H'), RGB(255, 255, 255));
}

TEST_F(Window, MonitorPausesAndStartsAgain) {
    ASSERT_TRUE(WaitFor([] { return Monitor() != nullptr; }, 10s));
    ASSERT_TRUE(IsWindowEnabled(Control(IDC_PAUSE)));
    Click(Control(IDC_PAUSE));
    EXPECT_TRUE(WaitFor([] { return N(WindowName(Monitor())) == "ТУЛЕКС Монитор (ПАУЗА)"; }, 5s))
        << N(WindowName(Monitor()));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_PAUSE)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_RESUME)));
    Click(Control(IDC_RESUME));
    EXPECT_TRUE(WaitFor([] { return N(WindowName(Monitor())) == "ТУЛЕКС Монитор"; }, 5s)) << N(WindowName(Monitor()));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_PAUSE)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_RESUME)));
}

TEST_F(Window, ReadsParametersIntoTheBalloonAndTheMapTurnsGreen) {
    PostMessageW(main_, WM_COMMAND, ID_READ_PARAMETERS, 0);
    HWND balloon = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (balloon = PopupTitled(L"Параметры контроллера с индексом G", false)) != nullptr; }, 20s))
        << "no parameter report; pop-ups: " << Popups().size();
    const std::string text = N(remote_->ToolTipText(balloon));
    EXPECT_FALSE(text.empty());
    // It takes no input.
    EXPECT_TRUE(GetWindowLongW(balloon, GWL_STYLE) & WS_DISABLED);
    EXPECT_TRUE(GetWindowLongW(balloon, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_TRUE(WaitFor([] { return CellColour('G') == RGB(48, 210, 30); }, 5s));
    EXPECT_EQ(N(remote_->StatusText(Control(IDC_STATUS), 1)), "1");
    // The monitor takes its lines in on its own tick.
    EXPECT_TRUE(WaitFor([] { return MonitorHas(L"COM1   <——   G"); }, 5s)) << "the request";
    EXPECT_TRUE(WaitFor([] { return MonitorHas(L"COM1   ——>   OK"); }, 5s)) << "the acknowledgement";
    EXPECT_TRUE(WaitFor([] { return IsWindowEnabled(Control(IDC_SEARCH)) != FALSE; }, 10s));
    std::printf("balloon report:\n%s\n", text.c_str());
    // The pointer over G: the map's tool-tip gives the key and G's figures.
    HWND map = Control(IDC_MAP);
    SendMessageW(map, WM_MOUSEMOVE, 0, MAKELPARAM(Scale(13), Scale(13)));
    std::string tip;
    for (HWND w : TopLevelWindows(process_.dwProcessId)) {
        if (ClassOf(w) != TOOLTIPS_CLASSW) continue;
        const std::string t = N(remote_->ToolTipText(w, map, reinterpret_cast<UINT_PTR>(map)));
        if (t.rfind("En: Alt + 071", 0) == 0) tip = t;
    }
    EXPECT_NE(tip.find("\n\nКонтроллер G\n"), std::string::npos) << "no figures below the key: " << tip;
    EXPECT_NE(tip.find("Запросов: "), std::string::npos) << tip;
    std::printf("map tool-tip:\n%s\n", tip.c_str());
}

TEST_F(Window, ShowsACardEventAtItsCell) {
    AskForCard();
    HWND card = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (card = PopupTitled(L"Доступ запрещен", true)) != nullptr; }, 15s))
        << "no card pop-up; pop-ups: " << Popups().size();
    const std::string text = N(remote_->ToolTipText(card));
    EXPECT_NE(text.find("Пропуск отсутствует в памяти"), std::string::npos) << text;
    EXPECT_NE(text.find("Направление: Выход"), std::string::npos) << text;
    EXPECT_NE(text.find("Номер: 1234567890"), std::string::npos) << text;
    EXPECT_TRUE(GetWindowLongW(card, GWL_STYLE) & WS_DISABLED);
    // Its stem points at G's cell anchor.
    POINT anchor{Scale(8 + 29), Scale(80 + 101)};
    ClientToScreen(main_, &anchor);
    RECT r;
    GetWindowRect(card, &r);
    InflateRect(&r, Scale(12), Scale(12));
    EXPECT_TRUE(PtInRect(&r, anchor)) << r.left << "," << r.top << " " << anchor.x << "," << anchor.y;
    // The monitor shows its lines on its next refresh.
    EXPECT_TRUE(WaitFor([] { return MonitorHas(L"1234567890"); }, 5s));
    // The controller balloon stays above the card.
    HWND balloon = PopupTitled(L"Параметры контроллера", false);
    if (balloon) {
        EXPECT_LT(ZOrder(balloon), ZOrder(card));
    }
    // It closes itself after 4 seconds.
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(card) || !IsWindowVisible(card); }, 8s));
}

// Eight card events at once: five pop-ups, and the newest counts the
// events that got none of their own.
TEST_F(Window, CountsTheCardEventsBeyondFivePopupsOnTheNewest) {
    const std::size_t before = CardLinesInMonitor();
    for (int i = 0; i < 8; ++i) AskForCard();
    ASSERT_TRUE(WaitFor([&] { return CardLinesInMonitor() >= before + 8; }, 20s))
        << "card lines: " << CardLinesInMonitor() - before;
    std::this_thread::sleep_for(300ms);
    const std::vector<HWND> cards = CardPopups();
    EXPECT_GE(cards.size(), 1u);
    EXPECT_LE(cards.size(), 5u);
    std::vector<std::string> notes;
    for (HWND card : cards) {
        const std::string text = N(remote_->ToolTipText(card));
        const auto at = text.rfind("\n+");
        if (at != std::string::npos) notes.push_back(text.substr(at + 1));
    }
    // All eight came within the first one's four seconds: three are counted.
    ASSERT_EQ(notes.size(), 1u) << "one card carries the count";
    EXPECT_EQ(notes.front(), "+3 событий");
    // When they are gone the count goes with them.
    EXPECT_TRUE(WaitFor([] { return CardPopups().empty(); }, 10s));
}

// The search shows which index it probes in the status bar; "Остановить"
// ends it and clears the text.
TEST_F(Window, SearchShowsItsProgressInTheStatusBar) {
    HWND status = Control(IDC_STATUS);
    EXPECT_EQ(N(remote_->StatusText(status, kProgressPanel)), "");
    Click(Control(IDC_SEARCH));
    std::string progress;
    ASSERT_TRUE(WaitFor(
        [&] {
            progress = N(remote_->StatusText(status, kProgressPanel));
            return progress.rfind("Поиск: ", 0) == 0;
        },
        10s))
        << "progress: " << progress;
    EXPECT_NE(progress.find(" из 182"), std::string::npos) << progress;
    ASSERT_TRUE(WaitFor([] { return IsWindowEnabled(Control(IDC_STOP)) != FALSE; }, 5s));
    Click(Control(IDC_STOP));
    EXPECT_TRUE(WaitFor([&] { return remote_->StatusText(status, kProgressPanel).empty(); }, 10s));
    EXPECT_TRUE(WaitFor([] { return IsWindowEnabled(Control(IDC_SEARCH)) != FALSE; }, 10s));
    EXPECT_TRUE(MonitorHas(L"CANCEL"));
}

// "Статистика" from the main menu: a row per controller with the frames
// counted, sorted by the header clicked, exported as CSV.
TEST_F(Window, StatisticsWindowCountsSortsAndExports) {
    PostMessageW(main_, WM_COMMAND, ID_STATISTICS, 0);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = ToolWindow(TULEX_STATISTICS_CLASS)) != nullptr; }, 10s));
    EXPECT_EQ(N(WindowName(window)), "ТУЛЕКС Статистика");
    HWND list = GetDlgItem(window, IDC_STATISTICS_LIST);
    ASSERT_NE(list, nullptr);
    const char* const headers[] = {"Индекс",  "Последний раз", "Кадр",          "Подтв.",         "Полож.",
                                   "Ошибки",  "Данные",        "Карты",         "Датчики",        "Опросы",
                                   "Запросы", "Тайм-ауты",     "Ответ мин, мс", "Ответ сред, мс", "Ответ макс, мс"};
    for (int c = 0; c < 15; ++c) EXPECT_EQ(N(remote_->ListColumnText(list, c)), headers[c]) << c;
    enum { Index = 0, LastHeard = 1, LastKind = 2, Acks = 3, Data = 6, Cards = 7, Requests = 10, ReplyMean = 13 };
    // In index order at first: G, the lowest index, heads the list. The
    // parameters read earlier are counted: the request, its acknowledgement,
    // the data reply and its reply time; G's card events too.
    ASSERT_GT(Rows(list), 1) << "the search addressed more controllers than G";
    std::vector<std::string> g = RowCells(list, 0, 15);
    ASSERT_EQ(g[Index], "G");
    EXPECT_GE(std::stoi(g[Requests]), 1);
    EXPECT_GE(std::stoi(g[Acks]), 1);
    EXPECT_GE(std::stoi(g[Data]), 1);
    EXPECT_GE(std::stoi(g[Cards]), 1);
    EXPECT_EQ(g[LastHeard].size(), 12u) << "HH:MM:SS.mmm: " << g[LastHeard];
    EXPECT_NE(g[LastKind], "—");
    EXPECT_NE(g[ReplyMean], "—");
    const int rows = Rows(list);
    std::printf("statistics: %d rows, G: %s requests, %s acks, %s data, %s cards\n", rows, g[Requests].c_str(),
                g[Acks].c_str(), g[Data].c_str(), g[Cards].c_str());

    // The sorted column's header turns the order round: G goes last.
    ClickHeader(list, Index);
    EXPECT_TRUE(WaitFor([&] { return N(remote_->ListItemText(list, rows - 1)) == "G"; }, 5s))
        << "first row: " << N(remote_->ListItemText(list, 0));
    EXPECT_NE(N(remote_->ListItemText(list, 0)), "G");
    // Another column sorts upwards by its figures, a second click downwards.
    const auto numbers = [&] {
        std::vector<long long> values;
        for (const std::string& cell : Column(list, Requests)) values.push_back(std::stoll(cell));
        return values;
    };
    ClickHeader(list, Requests);
    std::vector<long long> up;
    EXPECT_TRUE(WaitFor(
        [&] {
            up = numbers();
            return std::is_sorted(up.begin(), up.end());
        },
        5s));
    ClickHeader(list, Requests);
    std::vector<long long> down;
    EXPECT_TRUE(WaitFor(
        [&] {
            down = numbers();
            return std::is_sorted(down.rbegin(), down.rend());
        },
        5s));
    EXPECT_EQ(static_cast<int>(down.size()), rows);
    ASSERT_FALSE(up.empty());
    EXPECT_LT(up.front(), down.front()) << "the figures differ, so the orders do";

    // "Экспорт CSV...": the path, then the file with a row per controller.
    const std::wstring path = g_scratch + L"\\статистика.csv";
    DeleteFileW(path.c_str());
    Click(GetDlgItem(window, IDC_STATISTICS_EXPORT));
    HWND input = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (input = Dialog(L"Экспорт статистики")) != nullptr; }, 10s));
    EXPECT_EQ(N(WindowText(GetDlgItem(input, 1001))), "Путь к файлу:");
    const std::string offered = N(WindowText(GetDlgItem(input, 1002)));
    EXPECT_GE(offered.size(), 14u);
    EXPECT_EQ(offered.substr(offered.size() - 14), "statistics.csv");
    SendMessageW(GetDlgItem(input, 1002), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    Click(GetDlgItem(input, IDOK));
    std::string csv;
    ASSERT_TRUE(WaitFor(
        [&] {
            csv = FileText(path);
            return csv.size() > 3 && csv.substr(csv.size() - 2) == "\r\n";
        },
        20s));
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF"
                        "index;last_heard;last_kind;ack;positive;error;data;card;sensor;poll;requests;timeouts;"
                        "reply_min_ms;reply_mean_ms;reply_max_ms\r\n",
                        0),
              0u)
        << csv.substr(0, 200);
    std::size_t lines = 0;
    for (std::size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, static_cast<std::size_t>(rows) + 1) << "a header and a row per controller";
    // G's row: the figures the table shows.
    const auto start = csv.find("\r\nG;");
    ASSERT_NE(start, std::string::npos) << csv.substr(0, 400);
    std::vector<std::string> fields;
    {
        const std::string line = csv.substr(start + 2, csv.find("\r\n", start + 2) - start - 2);
        std::size_t from = 0;
        for (std::size_t to; (to = line.find(';', from)) != std::string::npos; from = to + 1)
            fields.push_back(line.substr(from, to - from));
        fields.push_back(line.substr(from));
    }
    ASSERT_EQ(fields.size(), 15u);
    EXPECT_EQ(fields[Acks], g[Acks]);
    EXPECT_EQ(fields[Data], g[Data]);
    EXPECT_EQ(fields[Requests], g[Requests]);
    EXPECT_EQ(fields[Cards], g[Cards]);
    EXPECT_EQ(fields[LastHeard].size(), 12u) << fields[LastHeard];
    EXPECT_TRUE(
        WaitFor([&] { return N(WindowText(GetDlgItem(window, IDC_STATISTICS_SAVED))) == "Сохранено: " + N(path); }, 5s))
        << N(WindowText(GetDlgItem(window, IDC_STATISTICS_SAVED)));
}

// "События" from the main menu: every card event with its texts, the newest
// followed at the end, and the search narrowing the list.
TEST_F(Window, EventListShowsEveryCardEventAndSearches) {
    PostMessageW(main_, WM_COMMAND, ID_EVENTS, 0);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = ToolWindow(TULEX_EVENTS_CLASS)) != nullptr; }, 10s));
    EXPECT_EQ(N(WindowName(window)), "ТУЛЕКС События");
    HWND list = GetDlgItem(window, IDC_EVENT_LIST);
    HWND count = GetDlgItem(window, IDC_EVENT_COUNT);
    ASSERT_NE(list, nullptr);
    const char* const headers[] = {"Время", "Индекс", "Вид", "Заголовок", "Номер карты", "Направление", "Данные"};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(N(remote_->ListColumnText(list, c)), headers[c]) << c;
    // The card events of the tests before, all of them (pop-ups show five at most).
    const int before = Rows(list);
    EXPECT_GE(before, 9);
    EXPECT_EQ(N(WindowText(count)), "Событий: " + std::to_string(before));
    // More than a page of them: the list follows the newest.
    for (int i = 0; i < 30; ++i) AskForCard();
    ASSERT_TRUE(WaitFor([&] { return Rows(list) >= before + 30; }, 30s)) << "rows: " << Rows(list);
    const int rows = Rows(list);
    const std::vector<std::string> last = RowCells(list, rows - 1, 7);
    EXPECT_EQ(last[1], "G");
    EXPECT_EQ(last[2], "Карта");
    EXPECT_EQ(last[3], "Доступ запрещен");
    EXPECT_EQ(last[4], "1234567890");
    EXPECT_EQ(last[5], "Выход");
    EXPECT_EQ(last[6], "123456789000");
    EXPECT_EQ(last[0].size(), 12u) << "HH:MM:SS.mmm: " << last[0];
    const auto top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    const auto perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_LT(perPage, rows) << "the test needs more rows than a page";
    EXPECT_GE(top + perPage, rows) << "the newest row is in view";
    EXPECT_TRUE(WaitFor([&] { return N(WindowText(count)) == "Событий: " + std::to_string(rows); }, 5s));

    // The search, typed: nothing matches, then every card (case ignored).
    HWND search = GetDlgItem(window, IDC_EVENT_SEARCH);
    const struct {
        const wchar_t* text;
        int found;
    } searches[] = {{L"нет такого", 0}, {L"ЗАПРЕЩЕН", rows}, {L"выход", rows}, {L"", rows}};
    for (const auto& c : searches) {
        SCOPED_TRACE(N(c.text));
        SendMessageW(search, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text));
        const std::string expected = *c.text ? "Найдено: " + std::to_string(c.found) + " из " + std::to_string(rows)
                                             : "Событий: " + std::to_string(rows);
        EXPECT_TRUE(WaitFor([&] { return N(WindowText(count)) == expected && Rows(list) == c.found; }, 5s))
            << N(WindowText(count)) << ", rows " << Rows(list);
    }
}

TEST_F(Window, AboutBoxHasRussianButtonsAndNoPopupCoversIt) {
    PostMessageW(main_, WM_COMMAND, ID_ABOUT, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = Dialog(L"О программе ТУЛЕКС")) != nullptr; }, 10s));
    EXPECT_EQ(N(WindowText(GetDlgItem(box, IDOK))), "OK");
    EXPECT_EQ(N(WindowText(GetDlgItem(box, 0xFFFF))).rfind("ТУЛЕКС 1.8\n\n", 0), 0u);
    // A card event while the box is open: its pop-up covers nothing.
    const std::size_t cardLines = [] {
        std::size_t n = 0;
        for (const std::wstring& line : MonitorLines()) n += line.find(L"1234567890") != std::wstring::npos;
        return n;
    }();
    AskForCard();
    WaitFor(
        [&] {
            std::size_t n = 0;
            for (const std::wstring& line : MonitorLines()) n += line.find(L"1234567890") != std::wstring::npos;
            return n > cardLines;
        },
        10s);
    std::this_thread::sleep_for(300ms);
    for (HWND popup : Popups()) EXPECT_LT(ZOrder(box), ZOrder(popup)) << "a pop-up covers the message box";
    Click(GetDlgItem(box, IDOK));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5s));
    // Then it shows, within its four seconds.
    EXPECT_TRUE(WaitFor([] { return PopupTitled(L"Доступ запрещен", true) != nullptr; }, 3s));
}

TEST_F(Window, SavesTheMonitorAfterAskingInRussian) {
    const std::wstring path = g_scratch + L"\\монитор.txt";
    { std::ofstream(path.c_str()) << "old"; }
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_SAVE, BN_CLICKED), reinterpret_cast<LPARAM>(Control(IDC_SAVE)));
    HWND input = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (input = Dialog(L"Сохранить как...")) != nullptr; }, 10s));
    EXPECT_EQ(N(WindowText(GetDlgItem(input, IDOK))), "OK");
    EXPECT_EQ(N(WindowText(GetDlgItem(input, IDCANCEL))), "Отмена");
    EXPECT_EQ(N(WindowText(GetDlgItem(input, 1001))), "Путь к файлу:");
    SendMessageW(GetDlgItem(input, 1002), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    Click(GetDlgItem(input, IDOK));
    HWND question = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (question = Dialog(L"Предупреждение")) != nullptr; }, 10s));
    EXPECT_EQ(N(WindowText(GetDlgItem(question, IDYES))), "Да");
    EXPECT_EQ(N(WindowText(GetDlgItem(question, IDNO))), "Нет");
    EXPECT_NE(N(WindowText(GetDlgItem(question, 0xFFFF))).find("уже существует."), std::string::npos);
    Click(GetDlgItem(question, IDYES));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(question); }, 5s));
    std::string saved;
    WaitFor(
        [&] {
            std::ifstream in(path.c_str(), std::ios::binary);
            saved.assign(std::istreambuf_iterator<char>(in), {});
            return saved.size() > 3 && saved.substr(saved.size() - 2) == "\r\n";
        },
        20s);  // Wine on a loaded machine can take seconds to get to it
    // Windows-1251: "Порт открыт" is CF EE F0 F2 20 EE F2 EA F0 FB F2.
    EXPECT_NE(saved.find("\xCF\xEE\xF0\xF2 \xEE\xF2\xEA\xF0\xFB\xF2"), std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 2), "\r\n");
}

// The line goes away under the open port (a converter pulled out) and a
// line is there again: the window says so, shows it in the status bar and
// offers the port again; Yes opens it and the monitor goes on.
TEST_F(Window, OffersALostPortAgainOnceItIsBack) {
    HWND status = Control(IDC_STATUS);
    // G was heard (its card events): green.
    ASSERT_EQ(CellColour('G'), RGB(48, 210, 30));
    std::printf("LOSE\n");
    std::fflush(stdout);
    HWND lost = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (lost = Dialog(L"Предупреждение")) != nullptr; }, 20s)) << "no loss message";
    EXPECT_NE(N(WindowText(GetDlgItem(lost, 0xFFFF))).find("Связь с COM-портом потеряна"), std::string::npos);
    EXPECT_EQ(N(remote_->StatusText(status, kConnectionPanel)), "COM1: связь потеряна");
    EXPECT_NE(SendMessageW(status, SB_GETICON, kConnectionPanel, 0), 0) << "the warning sign";
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_OPEN)));
    // The last-known controllers stay on the map, greyed.
    EXPECT_EQ(CellColour('G'), RGB(178, 196, 175));
    Click(GetDlgItem(lost, IDOK));
    HWND offer = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (offer = Dialog(L"Информация")) != nullptr; }, 20s)) << "no offer";
    EXPECT_EQ(N(WindowText(GetDlgItem(offer, 0xFFFF))), "Порт COM1 снова доступен.\n\nОткрыть его?");
    EXPECT_EQ(N(WindowText(GetDlgItem(offer, IDYES))), "Да");
    Click(GetDlgItem(offer, IDYES));
    EXPECT_TRUE(
        WaitFor([&] { return N(remote_->StatusText(status, kConnectionPanel)) == "COM1, 9600 бит/с: открыт"; }, 20s))
        << N(remote_->StatusText(status, kConnectionPanel));
    EXPECT_TRUE(WaitFor([] { return MonitorHas(L"Порт восстановлен"); }, 5s));
    EXPECT_EQ(SendMessageW(status, SB_GETICON, kConnectionPanel, 0), 0) << "no warning sign once open";
    EXPECT_TRUE(MonitorHas(L"Порт открыт. Скорость, бит/с — 9600")) << "the monitor was kept";
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_OPEN)));
    EXPECT_NE(CellColour('G'), RGB(178, 196, 175)) << "no longer greyed";
    EXPECT_EQ(Dialog(L"Информация"), nullptr) << "offered once";
}

TEST_F(Window, ClosesWithItsMonitor) {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process_.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process_.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace tulex::test

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_test TULEX_EXE SCRATCH_FOLDER [gtest options]\n");
        return 2;
    }
    tulex::test::g_program = argv[1];
    tulex::test::g_scratch = argv[2];
    int rest = argc - 2;
    argv[2] = argv[0];
    ::testing::InitGoogleTest(&rest, argv + 2);
    return RUN_ALL_TESTS();
}
