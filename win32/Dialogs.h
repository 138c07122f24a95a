#pragma once
// The window's modal dialogs with Russian buttons: the message box ("OK",
// "Да", "Нет") and the input dialog (caption, prompt, default; "OK",
// "Отмена"). While one is open, CurrentDialog names it, so that pop-ups
// shown meanwhile stay below it.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace tulex::win32 {

// MessageBoxW with the button texts made Russian before the box shows.
// Returns MessageBoxW's result (IDOK, IDYES, IDNO).
int RussianMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);

// The input dialog; nullopt when cancelled.
std::optional<std::wstring> InputDialog(HWND owner, const std::wstring& caption, const std::wstring& prompt,
                                        const std::wstring& initial);

// The innermost dialog of ours that is open, or null.
HWND CurrentDialog();

// Called with true when a first dialog of ours opens and with false when the
// last one has closed (the pop-ups keep out of the way meanwhile).
void OnDialogsChanged(std::function<void(bool anyOpen)> callback);

}  // namespace tulex::win32
