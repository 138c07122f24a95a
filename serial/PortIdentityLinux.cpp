#include "serial/PortIdentity.h"

#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <memory>

#include "serial/TermiosSerialPort.h"

namespace tulex {
namespace {

// The file a path finally names, links followed; empty when it does not exist.
std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return {};
    return resolved;
}

}  // namespace

std::string StablePortName(const std::string& name, const std::string& byIdFolder) {
    const std::string path = ResolvePortPath(name);
    const std::string device = RealPath(path);
    // A name that is a by-id link already is the adapter's own.
    if (device.empty() || path.rfind(byIdFolder + "/", 0) == 0) return name;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(byIdFolder.c_str()), ::closedir);
    if (!folder) return name;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string link = byIdFolder + "/" + entry->d_name;
        if (entry->d_name[0] != '.' && RealPath(link) == device) return link;
    }
    return name;
}

bool PortPresent(const std::string& name) {
    struct stat st {};
    const std::string path = ResolvePortPath(name);
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace tulex
