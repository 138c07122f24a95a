#include "serial/PortList.h"

#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <map>

#include "serial/PortOrder.h"
#include "serial/WideText.h"

namespace tulex {
namespace {

// The device manager's class of COM and LPT ports.
constexpr GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

bool IsComName(const std::string& name) {
    return name.size() > 3 && (name.rfind("COM", 0) == 0 || name.rfind("com", 0) == 0);
}

// Every value of HARDWARE\DEVICEMAP\SERIALCOMM names one port that a driver
// has now ("\Device\Serial0" = "COM1").
void AddDeviceMap(std::map<std::string, std::string>& ports) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256];
        DWORD valueNameLength = 256;
        wchar_t data[256];
        DWORD dataBytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, i, valueName, &valueNameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataBytes / sizeof(wchar_t)] = L'\0';
        const std::string name = Utf8FromWide(data);
        if (!name.empty()) ports.try_emplace(name);
    }
    RegCloseKey(key);
}

std::wstring RegistryText(HKEY key, const wchar_t* value) {
    wchar_t data[256];
    DWORD bytes = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    data[bytes / sizeof(wchar_t)] = L'\0';
    return data;
}

// The present devices of the "Ports" class with their friendly names
// ("USB-SERIAL CH340 (COM5)"); printer ports (LPT1) are left out.
void AddFriendlyNames(std::map<std::string, std::string>& ports) {
    HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE) continue;
        const std::string name = Utf8FromWide(RegistryText(key, L"PortName"));
        RegCloseKey(key);
        if (!IsComName(name)) continue;
        wchar_t friendly[256] = {};
        DWORD type = 0;
        std::string description;
        if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, &type,
                                              reinterpret_cast<BYTE*>(friendly), sizeof friendly - sizeof(wchar_t),
                                              nullptr) &&
            type == REG_SZ)
            description = Utf8FromWide(friendly);
        ports[name] = description;
    }
    SetupDiDestroyDeviceInfoList(devices);
}

}  // namespace

std::vector<PortEntry> ListPortEntries() {
    std::map<std::string, std::string> ports;  // name -> description
    AddDeviceMap(ports);
    AddFriendlyNames(ports);
    std::vector<PortEntry> entries;
    for (auto& [name, description] : ports) entries.push_back({name, description});
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry& a, const PortEntry& b) { return NaturalLess(a.name, b.name); });
    return entries;
}

std::vector<std::string> ListPorts() {
    std::vector<std::string> names;
    for (auto& entry : ListPortEntries()) names.push_back(std::move(entry.name));
    return names;
}

// A COM port is not kept from a user by groups; a port in use shows when it
// is opened.
bool PortAccessDenied(const std::string&) { return false; }

}  // namespace tulex
