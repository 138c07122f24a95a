#pragma once
// What the Win32 windows share: the dots per inch of a window's monitor, the
// form's font at a dpi, and the first place of a tool window beside the
// main window.

#include <windows.h>

#include <string>

namespace tulex::win32 {

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

}  // namespace tulex::win32
