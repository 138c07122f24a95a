#include "win32/WindowParts.h"

#include "app/ToolWindowPlace.h"
#include "win32/Ids.h"

namespace tulex::win32 {

namespace {

// The dpi calls of Windows 10 are looked up at run time, so that the
// program also starts where they are missing (then the system's dpi counts).
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

template <typename Fn>
Fn User32(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

bool FontExists(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(
        dc, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM data) -> int {
            *reinterpret_cast<bool*>(data) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

}  // namespace

void RegisterFormClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int backgroundColour) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TULEX));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColour + 1));
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

HWND CreateChild(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id, DWORD exStyle) {
    return CreateWindowExW(exStyle, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void MoveToSuggestedRect(HWND window, LPARAM suggestedRect) {
    const RECT* suggested = reinterpret_cast<const RECT*>(suggestedRect);
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

int WindowDpi(HWND window) {
    static const auto getDpi = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpi && window) {
        if (const UINT dpi = getDpi(window)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// The form is designed for an 8-point MS Sans Serif at 96 dpi; its TrueType
// twin has the Cyrillic letters. Where it is missing (Wine without the
// Windows fonts), a narrow face keeps the captions inside their controls.
const std::wstring& FormFace() {
    static const std::wstring face = [] {
        for (const wchar_t* candidate :
             {L"Microsoft Sans Serif", L"DejaVu Sans Condensed", L"Liberation Sans Narrow", L"Tahoma"})
            if (FontExists(candidate)) return std::wstring(candidate);
        return std::wstring(L"MS Shell Dlg 2");
    }();
    return face;
}

HFONT CreateFormFont(int dpi) {
    return CreateFontW(-MulDiv(11, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       FormFace().c_str());
}

void PlaceToolWindow(HWND tool, HWND main, int width96, int height96, int dpi, int others) {
    RECT frame{};
    GetWindowRect(main, &frame);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTOPRIMARY), &info);
    const RECT& work = info.rcWork;
    const int width = MulDiv(width96, dpi, 96);
    const int height = MulDiv(height96, dpi, 96);
    const ScreenPoint at = tulex::PlaceToolWindow({frame.left, frame.top, frame.right, frame.bottom}, width, height,
                                                  {work.left, work.top, work.right, work.bottom}, MulDiv(8, dpi, 96),
                                                  MulDiv(40, dpi, 96), others);
    SetWindowPos(tool, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int OpenToolWindow(const wchar_t* className, const wchar_t* title, int width96, int height96, HWND main, int dpi,
                   int others, void* self, const std::function<void()>& createControls) {
    HWND tool = CreateWindowExW(WS_EX_CONTROLPARENT, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, width96, height96, nullptr, nullptr, GetModuleHandleW(nullptr), self);
    if (!tool) return 0;
    createControls();
    PlaceToolWindow(tool, main, width96, height96, dpi, others);
    // Placed on a monitor of another dpi: sized for that one.
    const int own = WindowDpi(tool);
    if (own != dpi) PlaceToolWindow(tool, main, width96, height96, own, others);
    return own;
}

void BringToFront(HWND window) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

}  // namespace tulex::win32
