#pragma once
// Reading another process's windows as a person sees them: texts, the
// status bar's panels, list view rows and tool-tips. Messages whose data
// the system does not carry between processes (list view, status bar and
// tool-tip messages) get their buffers in the other process's memory.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tulex::test {

class RemoteProcess {
public:
    explicit RemoteProcess(DWORD processId);
    ~RemoteProcess();
    RemoteProcess(const RemoteProcess&) = delete;
    RemoteProcess& operator=(const RemoteProcess&) = delete;

    // The text of status bar panel `part`.
    std::wstring StatusText(HWND statusBar, int part);
    // Row `row` of a report-style list view, its first column or another.
    std::wstring ListItemText(HWND list, int row, int column = 0);
    // The header of a report-style list view's column.
    std::wstring ListColumnText(HWND list, int column);
    // The text of a tool-tip's tool: by default the pop-ups' own (hwnd = the
    // tool-tip, id 0); a control's tool names its window and id.
    std::wstring ToolTipText(HWND tip, HWND toolWindow = nullptr, UINT_PTR toolId = 0);

private:
    // Sends a message whose record names a text buffer: the record goes to
    // the other process with its `text` pointer aimed right behind it, at an
    // empty text; `send` sends the message with the record's address there
    // and says whether it worked; the text comes back ("?" when it did not).
    template <typename Record>
    std::wstring RecordText(Record record, LPWSTR Record::*text, const std::function<bool(LPARAM)>& send);
    void* Buffer(std::size_t size);
    bool Write(const void* data, std::size_t size, std::size_t offset = 0);
    bool Read(void* data, std::size_t size, std::size_t offset = 0);

    HANDLE process_ = nullptr;
    void* memory_ = nullptr;
    std::size_t size_ = 0;
};

// A window's own name as the system keeps it (no message is sent).
std::wstring WindowName(HWND window);
// The text a window gives on WM_GETTEXT (carried between processes).
std::wstring WindowText(HWND window);
std::wstring ClassOf(HWND window);
// The top-level windows of a process, from the top of the z-order down.
std::vector<HWND> TopLevelWindows(DWORD processId);

}  // namespace tulex::test
