#pragma once
// The list of ports the operator can pick. On Linux: the serial devices that
// exist and the virtual lines that tulex-sim announces. On Windows: the COM
// ports the system knows, with the names their drivers give them.

#include <string>
#include <vector>

namespace tulex {

// One port of the list: the name the port is opened by (COM5, ttyUSB0, SIM1)
// and what the system calls the device ("USB-SERIAL CH340 (COM5)"), empty
// where it says nothing.
struct PortEntry {
    std::string name;
    std::string description;
};

#if defined(_WIN32)

// The COM ports of HARDWARE\DEVICEMAP\SERIALCOMM and of the device manager's
// "Ports" class, each once, in natural order (COM2 before COM10). The first
// entry is the one selected.
std::vector<PortEntry> ListPortEntries();
std::vector<std::string> ListPorts();

#else

// Where tulex-sim announces its virtual lines: a symlink per line, named by
// its short name (SIM1 -> /dev/pts/7). $TULEX_SIM_DIR if set, else
// $XDG_RUNTIME_DIR/tulex, else /tmp/tulex-<uid>.
std::string SimulatorDirectory();

struct PortListRoots {
    std::string sysClassTty = "/sys/class/tty";
    std::string simulatorDirectory = SimulatorDirectory();
};

// Serial devices behind a driver (ttyS* only with a real UART behind it,
// ttyUSB*, ttyACM*, ttyAMA*, rfcomm*, ...) and announced virtual lines whose
// target still exists, sorted as text. The first entry is the one selected.
std::vector<std::string> ListPorts(const PortListRoots& roots = {});
// The same names; Linux gives no descriptions.
std::vector<PortEntry> ListPortEntries(const PortListRoots& roots = {});

#endif

// True when the port exists but its permissions keep this user from opening
// it for reading and writing (a serial device of the group dialout and a user
// outside it). Only the permissions are checked: opening a serial device
// would raise its modem lines.
bool PortAccessDenied(const std::string& name);

}  // namespace tulex
