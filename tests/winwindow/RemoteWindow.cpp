#include "tests/winwindow/RemoteWindow.h"

#include <commctrl.h>

namespace tulex::test {

namespace {

constexpr std::size_t kTextChars = 8192;

}  // namespace

RemoteProcess::RemoteProcess(DWORD processId)
    : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE,
                           processId)) {}

RemoteProcess::~RemoteProcess() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

void* RemoteProcess::Buffer(std::size_t size) {
    if (size <= size_) return memory_;
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    size_ = memory_ ? size : 0;
    return memory_;
}

bool RemoteProcess::Write(const void* data, std::size_t size, std::size_t offset) {
    SIZE_T written = 0;
    return WriteProcessMemory(process_, static_cast<char*>(memory_) + offset, data, size, &written) && written == size;
}

bool RemoteProcess::Read(void* data, std::size_t size, std::size_t offset) {
    SIZE_T read = 0;
    return ReadProcessMemory(process_, static_cast<char*>(memory_) + offset, data, size, &read) && read == size;
}

std::wstring RemoteProcess::StatusText(HWND statusBar, int part) {
    const std::size_t bytes = kTextChars * sizeof(wchar_t);
    if (!Buffer(bytes)) return L"?";
    std::vector<wchar_t> zero(kTextChars, L'\0');
    Write(zero.data(), bytes);
    SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(memory_));
    std::vector<wchar_t> text(kTextChars, L'\0');
    Read(text.data(), bytes);
    text.back() = L'\0';
    return text.data();
}

template <typename Record>
std::wstring RemoteProcess::RecordText(Record record, LPWSTR Record::*text, const std::function<bool(LPARAM)>& send) {
    if (!Buffer(sizeof(Record) + kTextChars * sizeof(wchar_t))) return L"?";
    record.*text = reinterpret_cast<wchar_t*>(static_cast<char*>(memory_) + sizeof(Record));
    Write(&record, sizeof record);
    const wchar_t nothing = L'\0';
    Write(&nothing, sizeof nothing, sizeof(Record));
    if (!send(reinterpret_cast<LPARAM>(memory_))) return L"?";
    std::vector<wchar_t> buffer(kTextChars, L'\0');
    Read(buffer.data(), kTextChars * sizeof(wchar_t), sizeof(Record));
    buffer.back() = L'\0';
    return buffer.data();
}

std::wstring RemoteProcess::ListItemText(HWND list, int row, int column) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.cchTextMax = static_cast<int>(kTextChars);
    return RecordText(item, &LVITEMW::pszText, [&](LPARAM at) {
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), at);
        return true;
    });
}

std::wstring RemoteProcess::ListColumnText(HWND list, int column) {
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.cchTextMax = static_cast<int>(kTextChars);
    return RecordText(header, &LVCOLUMNW::pszText, [&](LPARAM at) {
        return SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), at) != 0;
    });
}

std::wstring RemoteProcess::ToolTipText(HWND tip, HWND toolWindow, UINT_PTR toolId) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = toolWindow ? toolWindow : tip;
    tool.uId = toolId;
    const std::wstring result = RecordText(tool, &TTTOOLINFOW::lpszText, [&](LPARAM at) {
        SendMessageW(tip, TTM_GETTEXTW, kTextChars, at);
        return true;
    });
    // Where the message gives nothing, the tool-tip's own WM_GETTEXT gives
    // the text it shows.
    return result.empty() ? WindowText(tip) : result;
}

std::wstring WindowName(HWND window) {
    wchar_t text[1024] = {};
    InternalGetWindowText(window, text, 1024);
    return text;
}

std::wstring WindowText(HWND window) {
    std::vector<wchar_t> text(kTextChars, L'\0');
    SendMessageW(window, WM_GETTEXT, kTextChars, reinterpret_cast<LPARAM>(text.data()));
    text.back() = L'\0';
    return text.data();
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::vector<HWND> TopLevelWindows(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace tulex::test
