#include "tests/win32/LinePort.h"

#include <windows.h>

#include <cstdlib>

namespace tulex::test {

std::string LinePortName() {
    const char* name = std::getenv("TULEX_TEST_PORT");
    return name ? name : "";
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Receive(Win32SerialPort& port, std::size_t count, std::chrono::milliseconds within) {
    using Steady = std::chrono::steady_clock;
    const auto deadline = Steady::now() + within;
    std::string bytes;
    while (bytes.size() < count) {
        std::uint8_t byte = 0;
        if (port.ReadByte(byte)) {
            bytes += static_cast<char>(byte);
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
        if (left.count() <= 0) break;
        const Port::WaitState state = port.WaitForInput(static_cast<int>(left.count()));
        if (state == Port::WaitState::Closed || state == Port::WaitState::Gone) break;
    }
    return bytes;
}

}  // namespace tulex::test
