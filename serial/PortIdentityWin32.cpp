#include "serial/PortIdentity.h"

#include <windows.h>

#include "serial/WideText.h"

namespace tulex {

// A COM port keeps its number when its adapter comes back (Windows gives an
// adapter the same number on the same USB socket), so the name is the identity.
std::string StablePortName(const std::string& name, const std::string&) { return name; }

bool PortPresent(const std::string& name) {
    // The system's DOS device names list every COM port that exists now.
    wchar_t target[512];
    const std::wstring device = WideFromUtf8(name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name);
    return QueryDosDeviceW(device.c_str(), target, 512) != 0;
}

}  // namespace tulex
