#include "serial/PortList.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "serial/SerialPort.h"

namespace tulex {
namespace fs = std::filesystem;

std::string SimulatorDirectory() {
    if (const char* dir = std::getenv("TULEX_SIM_DIR"); dir && *dir) return dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/tulex";
    return "/tmp/tulex-" + std::to_string(getuid());
}

namespace {

// A ttyS* node exists for every UART slot the kernel reserves; only a
// non-zero "type" means a UART was found behind it.
bool HasRealUart(const fs::path& entry) {
    std::ifstream in(entry / "type");
    int type = 0;
    return (in >> type) && type != 0;
}

void AddSerialDevices(const std::string& root, std::vector<std::string>& out) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root, ec)) {
        const std::string name = entry.path().filename().string();
        // Virtual consoles, pseudo-terminals and the like have no device.
        if (!fs::exists(entry.path() / "device", ec)) continue;
        if (name.rfind("ttyS", 0) == 0 && !HasRealUart(entry.path())) continue;
        out.push_back(name);
    }
}

void AddVirtualLines(const std::string& dir, std::vector<std::string>& out) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (!entry.is_symlink(ec)) continue;
        if (!fs::exists(entry.path(), ec)) continue;  // stale: its simulator is gone
        out.push_back(entry.path().filename().string());
    }
}

}  // namespace

std::vector<std::string> ListPorts(const PortListRoots& roots) {
    std::vector<std::string> ports;
    AddSerialDevices(roots.sysClassTty, ports);
    AddVirtualLines(roots.simulatorDirectory, ports);
    std::sort(ports.begin(), ports.end());
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

std::vector<PortEntry> ListPortEntries(const PortListRoots& roots) {
    std::vector<PortEntry> entries;
    for (auto& name : ListPorts(roots)) entries.push_back({std::move(name), {}});
    return entries;
}

bool PortAccessDenied(const std::string& name) {
    const std::string path = ResolvePortPath(name);
    if (path.empty()) return false;
    // The effective user and groups, as open() checks them.
    return faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

}  // namespace tulex
