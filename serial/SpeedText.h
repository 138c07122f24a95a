#pragma once
// The speed the operator typed, as both ports read it.

#include <string>

namespace tulex {

// Strict integer conversion of the speed text: an optional plus sign and
// decimal digits, nothing else, within the range of a 32-bit integer. A
// minus sign parses too; no driver takes a negative rate, so such a port
// closes silently like any rate its driver refuses.
bool ParseSpeedText(const std::string& text, long& value);

}  // namespace tulex
