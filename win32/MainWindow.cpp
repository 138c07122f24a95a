#include "win32/MainWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "app/About.h"
#include "app/ControllerCommands.h"
#include "app/ConverterCommands.h"
#include "app/LineSession.h"
#include "app/MonitorSave.h"
#include "app/StatisticsExport.h"
#include "app/StatusTexts.h"
#include "win32/Dialogs.h"
#include "win32/EventWindow.h"
#include "win32/Glyphs.h"
#include "win32/Ids.h"
#include "win32/MonitorWindow.h"
#include "win32/Popups.h"
#include "win32/StatisticsWindow.h"
#include "win32/Text.h"
#include "win32/Win32Dispatcher.h"
#include "win32/WindowParts.h"

namespace tulex::win32 {

namespace {

// Looked up at run time: Windows before 10 lacks it (then the system's dpi counts).
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn User32(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// Where each control stands at 96 dpi in the client area (group box children
// are placed at the group's position plus their own).
struct Place {
    int x, y, w, h;
};
constexpr Place kPortGroup{8, 8, 337, 65};
constexpr Place kPortBox{8 + 8, 8 + 26, 75, 21};
constexpr Place kSpeedBox{8 + 88, 8 + 26, 81, 21};
constexpr Place kOpen{8 + 174, 8 + 25, 75, 23};
constexpr Place kClose{8 + 254, 8 + 25, 75, 23};
constexpr Place kConverterGroup{352, 8, 333, 65};
constexpr Place kConverter{352 + 296, 8 + 25, 29, 23};
constexpr Place kMonitorButton{8, 272, 75, 23};
constexpr Place kPause{88, 272, 23, 23};
constexpr Place kResume{112, 272, 23, 23};
constexpr Place kClear{136, 272, 23, 23};
constexpr Place kSave{160, 272, 23, 23};
constexpr Place kSearch{456, 272, 147, 23};
constexpr Place kStop{610, 272, 75, 23};
// The status bar's panels: the label, the two counters of the map's sets,
// a running command's progress (what is left between them) and the
// connection indicator at the right edge.
constexpr int kPanelWidths[] = {135, 50, 50};
constexpr int kProgressPanel = 3;
constexpr int kConnectionPanel = 4;
constexpr int kConnectionWidth = 190;
// The timer that looks for a lost port's return (card pop-ups' timers start
// at Popups::kFirstCardTimer).
constexpr UINT_PTR kLostPortTimer = 1;
constexpr int kComboDropHeight = 160;

Glyph GlyphOf(int id) {
    switch (id) {
    case IDC_PAUSE: return Glyph::Pause;
    case IDC_RESUME: return Glyph::Start;
    case IDC_CLEAR: return Glyph::Clear;
    case IDC_SAVE: return Glyph::Save;
    default: return Glyph::ConverterMenu;
    }
}

void AddItem(HMENU menu, int id, const wchar_t* text) { AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), text); }
void AddSeparator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }
void AddSubmenu(HMENU menu, HMENU sub, const wchar_t* text) {
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text);
}
int CommandId(MenuCommand command) { return ID_CONTROLLER_FIRST + static_cast<int>(command); }

}  // namespace

void MainWindow::Register(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &MainWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TULEX));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TULEX), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = TULEX_MAIN_CLASS;
    RegisterClassExW(&wc);
    LineMap::Register(instance);
    MonitorWindow::Register(instance);
    StatisticsWindow::Register(instance);
    EventWindow::Register(instance);
}

MainWindow::MainWindow(const std::vector<std::string>& arguments) : dispatcher_(std::make_unique<Win32Dispatcher>()) {
    session_ = std::make_unique<LineSession>(*this, *dispatcher_);
    session_->Start(arguments);
    // At most a few card pop-ups; the newest counts the card events beyond.
    session_->SetPopupLimit(kMaxCardPopups);
    // A lost port is offered again once it is back.
    session_->SetPortLostHandler([this] {
        if (session_->PortLost()) SetTimer(window_, kLostPortTimer, LineSession::kLostPortCheckMs, nullptr);
    });
    CreateMenus();
    CreateWindowExW(kExStyle, TULEX_MAIN_CLASS, W(session_->Caption()).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    kClientWidth, kClientHeight, nullptr, mainMenu_, GetModuleHandleW(nullptr), this);
    popups_ = std::make_unique<Popups>(window_, [this](std::uint8_t index) { return IndexScreenPoint(index); });
    OnDialogsChanged([this](bool open) {
        if (popups_) popups_->SetDialogOpen(open);
    });
    monitor_ =
        std::make_unique<MonitorWindow>(session_->monitor(), [this] { session_->monitor().SetWindowExists(false); });
    statistics_ = std::make_unique<StatisticsWindow>(session_->statistics(), [this] { ExportStatistics(); });
    events_ = std::make_unique<EventWindow>(session_->events());
    CreateControls();
    ApplyDpi(WindowDpi(window_));
    FillPortList();
    // The four settings are read by the receive thread when they matter.
    Settings& settings = session_->settings();
    settings.readers = true;
    settings.sensors = false;
    settings.onlineAnswer = false;
    settings.sensorAnswer = true;
}

MainWindow::~MainWindow() {
    OnDialogsChanged(nullptr);
    Finish();
    if (window_) DestroyWindow(window_);
    for (HMENU menu : {controllerMenu_, converterMenu_}) DestroyMenu(menu);
    if (font_) DeleteObject(font_);
}

void MainWindow::Finish() {
    if (!session_) return;
    if (window_) KillTimer(window_, kLostPortTimer);
    // Shut the logic down while the window's parts still exist (Shutdown
    // reaches the pop-ups); from then on nothing queued reaches them, and the
    // session's destruction waits for its threads.
    session_->Shutdown();
    dispatcher_->BeginShutdown();
    // The tool windows read the session's stores: they go before it.
    CloseToolWindows();
    session_.reset();
}

void MainWindow::CreateMenus() {
    mainMenu_ = CreateMenu();
    settingsMenu_ = CreatePopupMenu();
    AddItem(settingsMenu_, ID_READERS, L"&Информация от считывателей");
    AddItem(settingsMenu_, ID_SENSORS, L"И&нформация от датчиков");
    AddItem(settingsMenu_, ID_ONLINE_ANSWER, L"&Автоответ в on-line режиме");
    AddItem(settingsMenu_, ID_SENSOR_ANSWER, L"А&втоответ на посылки датчиков");
    CheckMenuItem(settingsMenu_, ID_READERS, MF_CHECKED);
    CheckMenuItem(settingsMenu_, ID_SENSOR_ANSWER, MF_CHECKED);
    AddSubmenu(mainMenu_, settingsMenu_, L"&Настройки");
    AddItem(mainMenu_, ID_STATISTICS, L"С&татистика");
    AddItem(mainMenu_, ID_EVENTS, L"С&обытия");
    HMENU help = CreatePopupMenu();
    AddItem(help, ID_ABOUT, L"&О программе");
    AddSubmenu(mainMenu_, help, L"&Справка");

    // The controller menu: order and separators are fixed. The items show
    // the map's function keys.
    controllerMenu_ = CreatePopupMenu();
    AddItem(controllerMenu_, CommandId(MenuCommand::CheckPresence), L"Проверить наличие контроллера\tF1");
    AddItem(controllerMenu_, CommandId(MenuCommand::ReadParameters), L"Читать параметры контроллера\tF2");
    AddItem(controllerMenu_, CommandId(MenuCommand::ChangeIndex), L"Изменить индекс контроллера\tF3");
    AddSeparator(controllerMenu_);
    HMENU preset = CreatePopupMenu();
    AddItem(preset, CommandId(MenuCommand::PresetDoorWithoutSensor), L"Дверь без датчика положения\tF4+1");
    AddItem(preset, CommandId(MenuCommand::PresetDoorWithSensor), L"Дверь с датчиком положения\tF4+2");
    AddItem(preset, CommandId(MenuCommand::PresetTurnstileWithoutConfirmation),
            L"Турникет без подтверждения прохода\tF4+3");
    AddItem(preset, CommandId(MenuCommand::PresetTurnstileWithConfirmation),
            L"Турникет с подтверждением прохода\tF4+4");
    AddItem(preset, CommandId(MenuCommand::PresetRegistrationTerminal), L"Регистрационный терминал\tF4+5");
    AddSubmenu(controllerMenu_, preset, L"Задать параметры по стандарту");
    HMENU mode = CreatePopupMenu();
    AddItem(mode, CommandId(MenuCommand::ModeOffline), L"Off-line режим \tF5+1");
    AddItem(mode, CommandId(MenuCommand::ModeOnline), L"On-line режим \tF5+2");
    AddItem(mode, CommandId(MenuCommand::ModeAutonomous), L"Автономный режим\tF5+3");
    AddSeparator(mode);
    AddItem(mode, CommandId(MenuCommand::SetMasterCard), L"Задать мастер-карту\tF5+4");
    AddItem(mode, CommandId(MenuCommand::ReadMasterCard), L"Читать мастер-карту\tF5+5");
    AddSubmenu(controllerMenu_, mode, L"Задать режим работы контроллера");
    HMENU relayTime = CreatePopupMenu();
    AddItem(relayTime, CommandId(MenuCommand::RelayTime1), L"Реле 1\tF6+1");
    AddItem(relayTime, CommandId(MenuCommand::RelayTime2), L"Реле 2\tF6+2");
    AddItem(relayTime, CommandId(MenuCommand::RelayTime3), L"Реле 3\tF6+3");
    AddItem(relayTime, CommandId(MenuCommand::RelayTime4), L"Реле 4\tF6+4");
    AddSubmenu(controllerMenu_, relayTime, L"Задать время удержания реле");
    AddSeparator(controllerMenu_);
    AddItem(controllerMenu_, CommandId(MenuCommand::TestMemory), L"Тест EEPROM-памяти контроллера\tF7");
    AddItem(controllerMenu_, CommandId(MenuCommand::TestLine), L"Тест линии на замыкание и обрыв\tF8");
    HMENU relayTest = CreatePopupMenu();
    AddItem(relayTest, CommandId(MenuCommand::TestRelay1), L"Реле 1\tF9+1");
    AddItem(relayTest, CommandId(MenuCommand::TestRelay2), L"Реле 2\tF9+2");
    AddItem(relayTest, CommandId(MenuCommand::TestRelay3), L"Реле 3\tF9+3");
    AddItem(relayTest, CommandId(MenuCommand::TestRelay4), L"Реле 4\tF9+4");
    AddSubmenu(controllerMenu_, relayTest, L"Тест реле на срабатывание");
    AddSeparator(controllerMenu_);
    AddItem(controllerMenu_, CommandId(MenuCommand::RunRawCommand), L"Выполнить команду\tF10");

    converterMenu_ = CreatePopupMenu();
    AddItem(converterMenu_, ID_READ_CONVERTER, L"Читать параметры");
    AddSeparator(converterMenu_);
    AddItem(converterMenu_, ID_POLL_RANGE, L"Изменить диапазон опроса");
    AddSeparator(converterMenu_);
    AddItem(converterMenu_, ID_CONVERTER_COMMAND, L"Выполнить команду");
}

void MainWindow::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    // Created in tab order: the port group, the search and stop buttons, the
    // map, the monitor button; then the speed buttons.
    portGroup_ = make(WC_BUTTONW, L"Управление COM-портом", BS_GROUPBOX, IDC_PORT_GROUP);
    converterGroup_ = make(WC_BUTTONW, L"Управление преобразователем RS232/RS485", BS_GROUPBOX, IDC_CONVERTER_GROUP);
    portBox_ = make(WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_SORT | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                    IDC_PORT_BOX);
    speedBox_ = make(WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, IDC_SPEED_BOX);
    for (const wchar_t* speed : {L"9600", L"19200", L"38400", L"57600", L"115200"})
        SendMessageW(speedBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(speed));
    SendMessageW(speedBox_, CB_SETCURSEL, 0, 0);
    openButton_ = make(WC_BUTTONW, L"Открыть", BS_PUSHBUTTON | WS_TABSTOP, IDC_OPEN);
    closeButton_ = make(WC_BUTTONW, L"Закрыть", BS_PUSHBUTTON | WS_TABSTOP, IDC_CLOSE);
    converterButton_ = make(WC_BUTTONW, L"", BS_OWNERDRAW | WS_TABSTOP, IDC_CONVERTER);
    searchButton_ = make(WC_BUTTONW, L"Поиск контроллеров", BS_PUSHBUTTON | WS_TABSTOP, IDC_SEARCH);
    stopButton_ = make(WC_BUTTONW, L"Остановить", BS_PUSHBUTTON | WS_TABSTOP, IDC_STOP);

    LineMap::Handlers handlers;
    handlers.sets = [this] {
        MapSets sets;
        if (!session_) return sets;
        const tulex::LineMap::Snapshot snapshot = session_->map().Take();
        sets.present = snapshot.present;
        sets.replyOnly = snapshot.replyOnly;
        return sets;
    };
    handlers.selectionMoved = [this](std::uint8_t index) {
        session_->map().SelectIndex(index);
        session_->MapClick();
    };
    handlers.menuAsked = [this](std::uint8_t index) {
        session_->map().SelectIndex(index);
        session_->MapDoubleClick();
    };
    handlers.shortcut = [this](MenuCommand command) {
        // The shortcuts work only with the port open, and run the same
        // command as the controller menu's item.
        if (session_->IsPortOpen()) session_->controller().Run(command);
    };
    handlers.figures = [this](std::uint8_t index) { return W(session_->CellFigures(index)); };
    map_.Create(window_, IDC_MAP, std::move(handlers));
    map_.Select(session_->map().SelectedIndex());

    monitorButton_ = make(WC_BUTTONW, L"&Mонитор", BS_PUSHBUTTON | WS_TABSTOP, IDC_MONITOR);
    pauseButton_ = make(WC_BUTTONW, L"", BS_OWNERDRAW, IDC_PAUSE);
    resumeButton_ = make(WC_BUTTONW, L"", BS_OWNERDRAW, IDC_RESUME);
    clearButton_ = make(WC_BUTTONW, L"", BS_OWNERDRAW, IDC_CLEAR);
    saveButton_ = make(WC_BUTTONW, L"", BS_OWNERDRAW, IDC_SAVE);
    EnableWindow(resumeButton_, FALSE);

    // The group boxes lie under the controls they frame.
    for (HWND group : {portGroup_, converterGroup_})
        SetWindowPos(group, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0,
                                 window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)), instance, nullptr);

    hints_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
    const std::pair<HWND, const wchar_t*> hints[] = {
        {portBox_, L"Идентификатор COM-порта"}, {speedBox_, L"Скорость COM-порта, бит/с"},
        {pauseButton_, L"Монитор: Пауза"},      {resumeButton_, L"Монитор: Старт"},
        {clearButton_, L"Монитор: Очистить"},   {saveButton_, L"Монитор: Сохранить в файл"},
    };
    for (const auto& [control, text] : hints) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<wchar_t*>(text);
        SendMessageW(hints_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        if (control == portBox_ || control == speedBox_) {
            // The edit inside the box is what the pointer is over.
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            if (GetComboBoxInfo(control, &info) && info.hwndItem) {
                tool.uId = reinterpret_cast<UINT_PTR>(info.hwndItem);
                SendMessageW(hints_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            }
        }
    }
}

RECT MainWindow::WindowRectFor(int dpi) const {
    RECT r{0, 0, MulDiv(kClientWidth, dpi, 96), MulDiv(kClientHeight, dpi, 96)};
    static const auto adjust = User32<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (adjust) {
        adjust(&r, kStyle, TRUE, kExStyle, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&r, kStyle, TRUE, kExStyle);
    }
    return r;
}

void MainWindow::ApplyDpi(int dpi) {
    dpi_ = dpi;
    HFONT old = font_;
    // 8 points at 96 dpi: characters 11 pixels high.
    font_ = CreateFormFont(dpi);
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    map_.SetFont(font_);
    map_.SetDpi(dpi);
    popups_->SetDpi(dpi);
    if (old) DeleteObject(old);
    Layout();
    InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::Layout() {
    auto put = [this](HWND control, const Place& p, int height = 0) {
        MoveWindow(control, Scale(p.x), Scale(p.y), Scale(p.w), Scale(height ? height : p.h), FALSE);
    };
    put(portGroup_, kPortGroup);
    put(portBox_, kPortBox, kComboDropHeight);
    put(speedBox_, kSpeedBox, kComboDropHeight);
    put(openButton_, kOpen);
    put(closeButton_, kClose);
    put(converterGroup_, kConverterGroup);
    put(converterButton_, kConverter);
    put(map_.window(), {kMapLeft, kMapTop, LineMap::kWidth, LineMap::kHeight});
    put(monitorButton_, kMonitorButton);
    put(pauseButton_, kPause);
    put(resumeButton_, kResume);
    put(clearButton_, kClear);
    put(saveButton_, kSave);
    put(searchButton_, kSearch);
    put(stopButton_, kStop);
    // The status bar takes the bottom edge by itself: 23 pixels at 96 dpi.
    SendMessageW(statusBar_, SB_SETMINHEIGHT, static_cast<WPARAM>(Scale(23) - 2 * GetSystemMetrics(SM_CYBORDER)), 0);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    int edges[kConnectionPanel + 1];
    int right = 0;
    for (int i = 0; i < kProgressPanel; ++i) edges[i] = right += Scale(kPanelWidths[i]);
    edges[kProgressPanel] = std::max(right, Scale(kClientWidth - kConnectionWidth));
    edges[kConnectionPanel] = -1;
    SendMessageW(statusBar_, SB_SETPARTS, kConnectionPanel + 1, reinterpret_cast<LPARAM>(edges));
    if (!statusTextsSet_) {
        statusTextsSet_ = true;
        SendMessageW(statusBar_, SB_SETTEXTW, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L"  Контроллеров в линии:"));
        SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"0"));
        SendMessageW(statusBar_, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(L"0"));
        SendMessageW(statusBar_, SB_SETTEXTW, kProgressPanel | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L""));
        SetConnection(session_->connection());
    }
}

void MainWindow::Show(int showCommand) {
    // Centred on the work area of the monitor the window starts on.
    const RECT frame = WindowRectFor(dpi_);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &info);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const RECT& work = info.rcWork;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    // Centring may have moved it to a monitor of another dpi.
    if (const int dpi = WindowDpi(window_); dpi != dpi_) {
        ApplyDpi(dpi);
        const RECT again = WindowRectFor(dpi);
        SetWindowPos(window_, nullptr, 0, 0, again.right - again.left, again.bottom - again.top,
                     SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

std::string MainWindow::ControlText(HWND control) const {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return U(text);
}

void MainWindow::FillPortList() {
    SendMessageW(portBox_, CB_RESETCONTENT, 0, 0);
    // The box sorts its list as text (COM10 before COM2).
    for (const std::string& name : session_->FillPortList())
        SendMessageW(portBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(name).c_str()));
    if (SendMessageW(portBox_, CB_GETCOUNT, 0, 0) > 0) SendMessageW(portBox_, CB_SETCURSEL, 0, 0);
}

void MainWindow::OpenPort(const std::string& name, const std::string& speed) {
    SetWindowTextW(portBox_, W(name).c_str());
    if (!speed.empty()) SetWindowTextW(speedBox_, W(speed).c_str());
    // As "Открыть" pressed, without taking the focus: the windows opened at
    // start (the statistics, the event list) stay in front.
    Command(IDC_OPEN, BN_CLICKED);
}

POINT MainWindow::IndexScreenPoint(std::uint8_t index) const {
    const POINT anchor = LineMap::CellAnchor96(index);
    POINT p{Scale(kMapLeft + anchor.x), Scale(kMapTop + anchor.y)};
    ClientToScreen(window_, &p);
    return p;
}

// --- the monitor's handlers

void MainWindow::ShowMonitor() {
    if (monitor_->window()) {
        monitor_->Restore();
        return;
    }
    session_->monitor().SetWindowExists(true);  // a new window starts empty
    monitor_->ShowBelow(window_, dpi_);
    monitor_->SetPaused(session_->monitor().Paused());
}

void MainWindow::SetMonitorPaused(bool paused) {
    if (!monitor_->window()) return;
    if (paused)
        session_->monitor().Pause();
    else
        session_->monitor().Start();
    // The button that would do it again is greyed.
    EnableWindow(resumeButton_, paused);
    EnableWindow(pauseButton_, !paused);
    monitor_->SetPaused(paused);
}

void MainWindow::ClearMonitor() {
    if (!monitor_->window()) return;
    session_->monitor().Clear();
    // A fresh start of the monitor is a fresh start of the figures.
    session_->statistics().Reset();
    statistics_->Refresh();
}

void MainWindow::SaveMonitor() {
    if (monitor_->window()) tulex::SaveMonitor(session_->monitor(), *this);
}

// --- the tool windows

int MainWindow::ToolWindowsOpen() const {
    return (statistics_ && statistics_->window() ? 1 : 0) + (events_ && events_->window() ? 1 : 0);
}

void MainWindow::ShowStatistics() { statistics_->Show(window_, dpi_, ToolWindowsOpen()); }

void MainWindow::ShowEvents() { events_->Show(window_, dpi_, ToolWindowsOpen()); }

bool MainWindow::TakesDialogKeys(HWND root) const {
    return root && (root == window_ || (statistics_ && root == statistics_->window()) ||
                    (events_ && root == events_->window()));
}

void MainWindow::ExportStatistics() {
    const std::optional<std::string> path =
        tulex::ExportStatistics(session_->statistics(), session_->monitor().filePath, *this);
    if (path) statistics_->ShowSaved(L"Сохранено: " + W(*path));
}

void MainWindow::CloseToolWindows() {
    monitor_.reset();
    statistics_.reset();
    events_.reset();
}

void MainWindow::EventsAdded() {
    if (events_) events_->Refresh();
}

void MainWindow::OpenConverterMenu() {
    // Warns when the port is closed; otherwise the menu opens at the pointer.
    if (!session_->converter().OpenConverterMenu()) return;
    POINT p;
    GetCursorPos(&p);
    TrackPopupMenu(converterMenu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, window_, nullptr);
}

void MainWindow::Escape() {
    // Both the search and the stop button are cancel buttons: the first that
    // is enabled takes the Escape key.
    if (IsWindowEnabled(searchButton_)) {
        SendMessageW(searchButton_, BM_CLICK, 0, 0);
    } else if (IsWindowEnabled(stopButton_)) {
        SendMessageW(stopButton_, BM_CLICK, 0, 0);
    }
}

void MainWindow::Command(int id, int code) {
    if (id >= ID_CONTROLLER_FIRST && id <= ID_CONTROLLER_LAST) {
        session_->controller().Run(static_cast<MenuCommand>(id - ID_CONTROLLER_FIRST));
        return;
    }
    auto toggle = [this, id](std::atomic<bool>& setting) {
        const bool on = !(GetMenuState(settingsMenu_, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED);
        CheckMenuItem(settingsMenu_, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
        setting = on;
    };
    Settings& settings = session_->settings();
    switch (id) {
    case IDC_OPEN: session_->OpenPort(ControlText(portBox_), ControlText(speedBox_)); break;
    case IDC_CLOSE: session_->ClosePort(); break;
    case IDC_STOP: session_->StopCommand(); break;
    case IDC_SEARCH: session_->controller().SearchControllers(); break;
    case IDC_MONITOR: ShowMonitor(); break;
    case IDC_PAUSE: SetMonitorPaused(true); break;
    case IDC_RESUME: SetMonitorPaused(false); break;
    case IDC_CLEAR: ClearMonitor(); break;
    case IDC_SAVE: SaveMonitor(); break;
    case IDC_CONVERTER: OpenConverterMenu(); break;
    case IDCANCEL: Escape(); break;
    case ID_READERS: toggle(settings.readers); break;
    case ID_SENSORS: toggle(settings.sensors); break;
    case ID_ONLINE_ANSWER: toggle(settings.onlineAnswer); break;
    case ID_SENSOR_ANSWER: toggle(settings.sensorAnswer); break;
    case ID_STATISTICS: ShowStatistics(); break;
    case ID_EVENTS: ShowEvents(); break;
    case ID_ABOUT: ShowMessage(kAboutCaption, AboutText(), MessageIcon::Information); break;
    case ID_READ_CONVERTER: session_->converter().ReadConverterParameters(); break;
    case ID_POLL_RANGE: session_->converter().ChangePollRange(); break;
    case ID_CONVERTER_COMMAND: session_->converter().RunConverterCommand(); break;
    default: break;
    }
    (void)code;
}

void MainWindow::DrawButton(const DRAWITEMSTRUCT& item) {
    // A flat speed button: no frame until it is pressed or has the focus.
    RECT r = item.rcItem;
    FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    const bool pressed = item.itemState & ODS_SELECTED;
    if (pressed) DrawEdge(item.hDC, &r, BDR_SUNKENOUTER, BF_RECT);
    RECT box = r;
    if (pressed) OffsetRect(&box, 1, 1);
    DrawGlyph(item.hDC, box, GlyphOf(static_cast<int>(item.CtlID)), dpi_, !(item.itemState & ODS_DISABLED));
    if (item.itemState & ODS_FOCUS) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(item.hDC, &r);
    }
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM: DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_TIMER:
        if (wParam == kLostPortTimer) {
            CheckLostPort();
            return 0;
        }
        if (popups_ && popups_->CardTimer(wParam)) return 0;
        break;
    case WM_MOVE:
        if (popups_) popups_->MoveAll();
        return 0;
    case WM_SIZE:
        // The status bar keeps to the bottom edge.
        if (statusBar_) SendMessageW(statusBar_, WM_SIZE, 0, 0);
        // Minimized: the pop-ups hide; restored: they come back.
        if (popups_ && wParam == SIZE_MINIMIZED) popups_->HideAll();
        if (popups_ && wParam == SIZE_RESTORED) popups_->ShowAll();
        return 0;
    case WM_SYSCOMMAND:
        if (popups_ && (wParam & 0xFFF0) == SC_MINIMIZE) popups_->HideAll();
        break;
    case WM_DPICHANGED: {
        ApplyDpi(HIWORD(wParam));
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        const RECT frame = WindowRectFor(dpi_);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, frame.right - frame.left,
                     frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window_, &ps);
        EndPaint(window_, &ps);
        if (!painted_) {
            painted_ = true;
            if (quitAfterPaint_) PostMessageW(window_, TULEX_WM_FIRST_PAINT, 0, 0);
        }
        return 0;
    }
    case TULEX_WM_FIRST_PAINT:
        // The children paint after their parent: finish those too, then end.
        RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
        PostMessageW(window_, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        // The window always closes; the engine shuts down first, and the
        // monitor, the statistics and the event list go with the window.
        if (session_) session_->Shutdown();
        CloseToolWindows();
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_NCDESTROY: window_ = nullptr; break;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return RouteToObject(window, message, wParam, lParam, &MainWindow::window_, &MainWindow::Handle);
}

// --- View

void MainWindow::ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) {
    RussianMessageBox(window_, W(text), W(caption),
                      MB_OK | (icon == MessageIcon::Warning ? MB_ICONWARNING : MB_ICONINFORMATION));
}

bool MainWindow::AskYesNo(const std::string& caption, const std::string& text) {
    return RussianMessageBox(window_, W(text), W(caption), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON1) == IDYES;
}

std::optional<std::string> MainWindow::InputQuery(const std::string& caption, const std::string& prompt,
                                                  const std::string& initial) {
    const std::optional<std::wstring> text = InputDialog(window_, W(caption), W(prompt), W(initial));
    if (!text) return std::nullopt;
    return U(*text);
}

void MainWindow::SetCommandControlsEnabled(bool enabled) {
    // A disabled map loses the keyboard focus; it gets it back when the
    // command ends, so the operator can go on with the function keys.
    if (!enabled && GetFocus() == map_.window()) mapHadFocus_ = true;
    for (HWND control : {converterButton_, closeButton_, searchButton_, map_.window()})
        EnableWindow(control, enabled ? TRUE : FALSE);
    if (enabled && mapHadFocus_) {
        mapHadFocus_ = false;
        SetFocus(map_.window());
    }
}

void MainWindow::SetPortControlsEnabled(bool enabled) {
    for (HWND control : {openButton_, portBox_, speedBox_}) EnableWindow(control, enabled ? TRUE : FALSE);
}

void MainWindow::SetStatusPanel(int panel, const std::string& text) {
    if (panel < 0 || panel > 2) return;
    SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(panel) | (panel == 0 ? SBT_NOBORDERS : 0),
                 reinterpret_cast<LPARAM>(W(text).c_str()));
}

void MainWindow::RepaintMap() {
    map_.Select(session_->map().SelectedIndex());
    InvalidateRect(map_.window(), nullptr, FALSE);
}

void MainWindow::ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) {
    popups_->ShowCard(index, W(title), W(text));
}

void MainWindow::RemoveAllCardPopups() { popups_->RemoveAllCards(); }

void MainWindow::ShowBalloon(std::uint8_t index, const std::string& title, const std::string& text, Colour colour) {
    popups_->ShowBalloon(index, W(title), W(text), RGB(colour.r, colour.g, colour.b));
}

void MainWindow::SetBalloonText(const std::string& text) { popups_->SetBalloonText(W(text)); }

void MainWindow::RemoveBalloon() { popups_->RemoveBalloon(); }

void MainWindow::ShowSensorPopup(std::uint8_t index, const std::string& text) { popups_->ShowSensor(index, W(text)); }

void MainWindow::RemoveSensorPopup() { popups_->RemoveSensor(); }

void MainWindow::OpenCommandMenu(std::uint8_t index) {
    const POINT p = IndexScreenPoint(index);
    TrackPopupMenu(controllerMenu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, window_, nullptr);
}

void MainWindow::CheckLostPort() {
    if (!session_) return;
    const LineSession::LostPortOffer offer = session_->OfferLostPort();
    if (offer == LineSession::LostPortOffer::KeepWatching) return;
    KillTimer(window_, kLostPortTimer);
    if (offer == LineSession::LostPortOffer::Reopened) SetWindowTextW(portBox_, W(session_->PortName()).c_str());
}

void MainWindow::CountSkippedPopups(std::size_t count) { popups_->CountSkipped(count); }

void MainWindow::SetConnection(const Connection& connection) {
    const bool lost = connection.state == Connection::State::Lost;
    map_.SetStale(lost);
    // A lost port stands out: the system's warning sign before its text.
    // (A shared system icon: nothing to free.)
    const HICON warning =
        lost ? static_cast<HICON>(LoadImageW(nullptr, MAKEINTRESOURCEW(32515), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED))
             : nullptr;
    SendMessageW(statusBar_, SB_SETICON, kConnectionPanel, reinterpret_cast<LPARAM>(warning));
    SendMessageW(statusBar_, SB_SETTEXTW, kConnectionPanel,
                 reinterpret_cast<LPARAM>(W(ConnectionText(connection)).c_str()));
}

void MainWindow::ShowProgress(const std::string& text) {
    SendMessageW(statusBar_, SB_SETTEXTW, kProgressPanel | SBT_NOBORDERS, reinterpret_cast<LPARAM>(W(text).c_str()));
}

}  // namespace tulex::win32
