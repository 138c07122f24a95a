#pragma once
// What the Win32 windows share: the routing of a window's messages to the
// object behind it, the dots per inch of a window's monitor, the form's font
// at a dpi, and the first place of a tool window beside the main window.

#include <windows.h>

#include <functional>
#include <string>

namespace tulex::win32 {

// The body of a window class's procedure for an object that handles its
// window's messages itself: CreateWindowExW's last argument is the object,
// which learns its window (`handle`) at WM_NCCREATE and gets every message
// through `handler` until the window's last, WM_NCDESTROY. A class passes
// its own private members:
//   return RouteToObject(window, message, wParam, lParam, &Map::window_, &Map::Handle);
template <typename T>
LRESULT RouteToObject(HWND window, UINT message, WPARAM wParam, LPARAM lParam, HWND T::*handle,
                      LRESULT (T::*handler)(UINT, WPARAM, LPARAM)) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->*handle = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = (self->*handler)(message, wParam, lParam);
    // Nothing reaches the object after the window's last message.
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return result;
}

// Registers a top-level window class of the program: its icon, the arrow
// cursor and the background brush of a system colour (COLOR_BTNFACE for a
// form, COLOR_WINDOW for a list).
void RegisterFormClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int backgroundColour);
// A visible child control of `parent` with the given id, sized later.
HWND CreateChild(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0);
// WM_DPICHANGED's lParam: moves and sizes the window to the rectangle
// Windows suggests for the new dpi.
void MoveToSuggestedRect(HWND window, LPARAM suggestedRect);

// The window's dpi (Windows 10's per-monitor value, else the system's).
int WindowDpi(HWND window);
// The face the form is designed for, or the nearest one there is.
const std::wstring& FormFace();
// The form's 8-point font (11 pixels at 96 dpi) at dpi; the caller frees it.
HFONT CreateFormFont(int dpi);
// Moves and sizes `tool` (its frame width x height at 96 dpi, scaled to
// dpi) to where a tool window opens first: beside the main window when the
// main window's screen has room, else cascaded from its corner, past the
// `others` tool windows open already, and always on the screen.
void PlaceToolWindow(HWND tool, HWND main, int width96, int height96, int dpi, int others);
// Opens a tool window of `className` for `self`: a window of its own on the
// task bar (no owner), as the monitor. `createControls` makes its controls
// once it exists; then it is placed as PlaceToolWindow says and sized for
// the dpi of the monitor it lands on. Returns that dpi, or 0 when the window
// could not be created.
int OpenToolWindow(const wchar_t* className, const wchar_t* title, int width96, int height96, HWND main, int dpi,
                   int others, void* self, const std::function<void()>& createControls);
// Restores an open tool window if it is minimised and brings it to the front.
void BringToFront(HWND window);

}  // namespace tulex::win32
