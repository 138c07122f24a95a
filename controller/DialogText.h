#pragma once
// Text typed into a dialog, as the index, relay-time and poll-range inputs
// take it: without leading and trailing blanks and control characters.

#include <string>
#include <string_view>

namespace tulex {

// Strips every leading and trailing byte up to and including the blank
// (control characters and blanks); bytes of other characters stay.
std::string TrimDialogText(std::string_view text);

}  // namespace tulex
