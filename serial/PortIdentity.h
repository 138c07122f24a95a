#pragma once
// Which port to wait for after a port was lost. A USB converter pulled out
// and plugged back may come back as another ttyUSBn; its /dev/serial/by-id
// link names the adapter itself. A port opened by a by-id link, by a path
// or by any other name is watched under that same name.

#include <string>

namespace tulex {

// The name to reopen a port by once it returns: the /dev/serial/by-id link
// that points at the device the name opens, when there is one; otherwise
// the name as given. Taken while the port is open (the link exists then).
// byIdFolder: where the adapters' links are (tests give a folder of their own).
std::string StablePortName(const std::string& name, const std::string& byIdFolder = "/dev/serial/by-id");

// True when something the name opens exists now (the device node, or the
// target of the link the name is). Opens nothing: opening a serial device
// would switch its modem lines.
bool PortPresent(const std::string& name);

}  // namespace tulex
