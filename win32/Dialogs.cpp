#include "win32/Dialogs.h"

#include <algorithm>
#include <vector>

namespace tulex::win32 {

namespace {

// Dialogs open on the UI thread only, one inside another at most a few deep.
std::vector<HWND> g_dialogs;
HHOOK g_hook = nullptr;
std::function<void(bool)> g_changed;

void Opened(HWND dialog) {
    g_dialogs.push_back(dialog);
    if (g_dialogs.size() == 1 && g_changed) g_changed(true);
}

void Closed(std::size_t depth) {
    const bool had = !g_dialogs.empty();
    g_dialogs.resize(std::min(g_dialogs.size(), depth));
    if (had && g_dialogs.empty() && g_changed) g_changed(false);
}

void RussianButtons(HWND box) {
    const struct {
        int id;
        const wchar_t* text;
    } buttons[] = {{IDOK, L"OK"}, {IDYES, L"Да"}, {IDNO, L"Нет"}, {IDCANCEL, L"Отмена"}};
    for (const auto& button : buttons) {
        if (HWND control = GetDlgItem(box, button.id)) SetWindowTextW(control, button.text);
    }
}

LRESULT CALLBACK ActivateHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (lstrcmpW(name, L"#32770") == 0) {
            RussianButtons(window);
            Opened(window);
            UnhookWindowsHookEx(g_hook);
            g_hook = nullptr;
            return 0;
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

// --- the input dialog, from a template built in memory

class Template {
public:
    void Word(WORD w) { words_.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const wchar_t* text) {
        for (; *text; ++text) Word(static_cast<WORD>(*text));
        Word(0);
    }
    void Align() {
        if (words_.size() % 2) Word(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const wchar_t* text) {
        Align();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);  // extended style
        Word(static_cast<WORD>(x));
        Word(static_cast<WORD>(y));
        Word(static_cast<WORD>(cx));
        Word(static_cast<WORD>(cy));
        Word(id);
        Word(0xFFFF);
        Word(classAtom);
        Text(text);
        Word(0);  // no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<WORD> words_;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;
constexpr int kPromptId = 1001, kEditId = 1002;

struct InputState {
    std::wstring caption, prompt, text;
};

INT_PTR CALLBACK InputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* state = reinterpret_cast<InputState*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetWindowTextW(dialog, state->caption.c_str());
        SetDlgItemTextW(dialog, kPromptId, state->prompt.c_str());
        SetDlgItemTextW(dialog, kEditId, state->text.c_str());
        Opened(dialog);
        HWND edit = GetDlgItem(dialog, kEditId);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            if (LOWORD(wParam) == IDOK) {
                auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dialog, DWLP_USER));
                HWND edit = GetDlgItem(dialog, kEditId);
                std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
                state->text = text;
            }
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        if (!g_dialogs.empty() && g_dialogs.back() == dialog) Closed(g_dialogs.size() - 1);
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

int RussianMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    if (g_hook) UnhookWindowsHookEx(g_hook);
    g_hook = SetWindowsHookExW(WH_CBT, ActivateHook, nullptr, GetCurrentThreadId());
    const std::size_t depth = g_dialogs.size();
    const int result = MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    if (g_hook) {
        UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
    }
    Closed(depth);
    return result;
}

std::optional<std::wstring> InputDialog(HWND owner, const std::wstring& caption, const std::wstring& prompt,
                                        const std::wstring& initial) {
    // Dialog units: the dialog font's quarter character width, eighth height.
    Template t;
    t.Dword(DS_SETFONT | DS_MODALFRAME | DS_CENTER | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    t.Dword(0);
    t.Word(4);  // items
    t.Word(0);
    t.Word(0);
    t.Word(200);
    t.Word(64);
    t.Word(0);  // no menu
    t.Word(0);  // the standard class
    t.Text(L"");
    t.Word(8);
    t.Text(L"MS Shell Dlg");
    t.Item(SS_LEFT | SS_NOPREFIX, 7, 7, 186, 10, kPromptId, kStatic, L"");
    t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 20, 186, 13, kEditId, kEdit, L"");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 89, 43, 50, 14, IDOK, kButton, L"OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 143, 43, 50, 14, IDCANCEL, kButton, L"Отмена");
    InputState state{caption, prompt, initial};
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, InputProc, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) return std::nullopt;
    return state.text;
}

void OnDialogsChanged(std::function<void(bool)> callback) { g_changed = std::move(callback); }

HWND CurrentDialog() {
    while (!g_dialogs.empty() && !IsWindow(g_dialogs.back())) g_dialogs.pop_back();
    return g_dialogs.empty() ? nullptr : g_dialogs.back();
}

}  // namespace tulex::win32
