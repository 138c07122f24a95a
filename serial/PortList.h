#pragma once
// The list of ports the operator can pick: the serial devices that exist and
// the virtual lines that tulex-sim announces.

#include <string>
#include <vector>

namespace tulex {

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

// True when the port exists but its permissions keep this user from opening
// it for reading and writing (a serial device of the group dialout and a user
// outside it). Only the permissions are checked: opening a serial device
// would raise its modem lines.
bool PortAccessDenied(const std::string& name);

}  // namespace tulex
