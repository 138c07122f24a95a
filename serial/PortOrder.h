#pragma once
// The order in which port names are offered: natural order, so that COM2
// comes before COM10 and ttyUSB9 before ttyUSB10.

#include <string_view>

namespace tulex {

// Compares runs of decimal digits by their value and everything else
// character by character, ignoring the case of ASCII letters. Names that are
// equal that way (COM1, com1, COM01) are ordered as plain text, so the order
// is total.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace tulex
