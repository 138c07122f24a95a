#include "serial/PortList.h"

#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

}  // namespace tulex
