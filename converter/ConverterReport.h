#pragma once
// The converter's parameter report: the text shown after a complete read,
// decoded from the three data replies held back to back in the converter
// reply (version code, poll range code, speed digit and RS232 digit).

#include <string>
#include <string_view>

namespace tulex {

// Builds the report (UTF-8) from the converter reply (line bytes). A piece
// whose characters are missing or are not what the converter sends shows
// "?" instead of a made-up value.
std::string BuildConverterReport(std::string_view reply);

}  // namespace tulex
