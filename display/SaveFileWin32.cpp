#include "display/SaveFile.h"

#include <windows.h>

#include <shlobj.h>

#include "serial/WideText.h"

namespace tulex {
namespace {

// FOLDERID_Documents.
constexpr GUID kDocumentsFolder = {0xFDD39AD0, 0x238F, 0x46AF, {0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7}};

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

SaveFile::~SaveFile() { Close(); }

SaveFile::OpenError SaveFile::Create(const std::string& utf8Path) {
    Close();
    if (utf8Path.empty()) return OpenError::BadPath;
    // Shared for writing, as a log file another program may append to.
    HANDLE file = CreateFileW(WideFromUtf8(utf8Path).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_ACCESS_DENIED ? OpenError::ReadOnly : OpenError::BadPath;
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return OpenError::None;
}

bool SaveFile::Write(std::string_view bytes) {
    if (!IsOpen()) return false;
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(AsHandle(handle_), bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool SaveFile::Close() {
    if (!IsOpen()) return true;
    const bool ok = CloseHandle(AsHandle(handle_)) != 0;
    handle_ = kNoHandle;
    return ok;
}

bool PathExists(const std::string& utf8Path) {
    return !utf8Path.empty() && GetFileAttributesW(WideFromUtf8(utf8Path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string InitialSaveFolder() {
    PWSTR path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(kDocumentsFolder, 0, nullptr, &path) == S_OK && path) folder = Utf8FromWide(path);
    CoTaskMemFree(path);
    if (folder.empty()) return "C:\\";
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace tulex
