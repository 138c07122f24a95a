#include "cli/Console.h"

#include <windows.h>

#include <io.h>

#include "serial/WideText.h"

namespace tulex::cli {
namespace {

// The console behind a C stream, or null when the stream goes to a file or
// a pipe.
HANDLE ConsoleOf(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
    return handle;
}

}  // namespace

void WriteText(std::FILE* stream, std::string_view utf8) {
    if (HANDLE console = ConsoleOf(stream)) {
        std::fflush(stream);  // what printf left in the buffer comes first
        const std::wstring wide = WideFromUtf8(utf8);
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

std::optional<std::string> ReadInputLine() {
    if (HANDLE console = ConsoleOf(stdin)) {
        wchar_t buffer[256];
        DWORD read = 0;
        if (!ReadConsoleW(console, buffer, 255, &read, nullptr) || read == 0) return std::nullopt;
        return Utf8FromWide(std::wstring_view(buffer, read));
    }
    char buffer[256];
    if (!std::fgets(buffer, sizeof buffer, stdin)) return std::nullopt;
    return std::string(buffer);
}

bool InputIsTerminal() { return ConsoleOf(stdin) != nullptr; }

bool IsTerminal(std::FILE* stream) { return stream && ConsoleOf(stream) != nullptr; }

}  // namespace tulex::cli
