#pragma once
// The Win32 window's names that are seen from outside its code: window
// classes, control and menu identifiers, and the private messages. The
// resource file and the window test (tests/winwindow) include it too, so it
// holds plain macros only.

// Window classes.
#define TULEX_MAIN_CLASS L"TulexMainWindow"
#define TULEX_MAP_CLASS L"TulexLineMap"
#define TULEX_MONITOR_CLASS L"TulexMonitor"
#define TULEX_STATISTICS_CLASS L"TulexStatistics"
#define TULEX_EVENTS_CLASS L"TulexEvents"

// Resources.
#define IDI_TULEX 1
#define IDR_ACCELERATORS 2

// Controls of the main window (child window identifiers).
#define IDC_PORT_GROUP 100
#define IDC_PORT_BOX 101
#define IDC_SPEED_BOX 102
#define IDC_OPEN 103
#define IDC_CLOSE 104
#define IDC_CONVERTER_GROUP 105
#define IDC_CONVERTER 106
#define IDC_MAP 107
#define IDC_MONITOR 108
#define IDC_PAUSE 109
#define IDC_RESUME 110
#define IDC_CLEAR 111
#define IDC_SAVE 112
#define IDC_SEARCH 113
#define IDC_STOP 114
#define IDC_STATUS 115
// The monitor window's list.
#define IDC_MONITOR_LIST 120
// The statistics window: its table, "Сбросить", "Экспорт CSV..." and the
// line that names the file last exported.
#define IDC_STATISTICS_LIST 121
#define IDC_STATISTICS_RESET 122
#define IDC_STATISTICS_EXPORT 123
#define IDC_STATISTICS_SAVED 124
// The event list: the search box, the count, "Очистить" and the list.
#define IDC_EVENT_SEARCH 130
#define IDC_EVENT_COUNT 131
#define IDC_EVENT_CLEAR 132
#define IDC_EVENT_LIST 133

// The main menu.
#define ID_READERS 200
#define ID_SENSORS 201
#define ID_ONLINE_ANSWER 202
#define ID_SENSOR_ANSWER 203
#define ID_ABOUT 204
#define ID_STATISTICS 205
#define ID_EVENTS 206

// The controller menu, in the order of MenuCommand (app/ControllerMenu.h):
// ID_CONTROLLER_FIRST + the command's number.
#define ID_CONTROLLER_FIRST 300
#define ID_CHECK_PRESENCE 300
#define ID_READ_PARAMETERS 301
#define ID_CHANGE_INDEX 302
#define ID_RUN_RAW_COMMAND 323
#define ID_CONTROLLER_LAST 323

// The converter menu.
#define ID_READ_CONVERTER 400
#define ID_POLL_RANGE 401
#define ID_CONVERTER_COMMAND 402

// Private messages of the main window.
// Runs what the dispatcher has queued (sent to its message-only window).
#define TULEX_WM_DISPATCH (0x8000 + 1)
// The colour (COLORREF) the map paints the cell of index wParam with; sent to
// the map window by the window test.
#define TULEX_WM_CELL_COLOUR (0x8000 + 2)
// Exit once the main window has painted for the first time (--first-paint):
// the start-up measurement.
#define TULEX_WM_FIRST_PAINT (0x8000 + 3)
