#pragma once
// The operator's words for what went wrong with the port.

#include <string>
#include <string_view>

#include "serial/Port.h"

namespace tulex {

// The warning text for a failed open or configure of the port `name` at
// `speedText`; empty where the failure is silent (a refused rate).
std::string PortErrorText(PortError error, std::string_view name, std::string_view speedText);

// The warning shown once when the port's device has gone away.
std::string DeviceLostText(std::string_view portName);

}  // namespace tulex
