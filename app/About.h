#pragma once
// The About box of both windows ("&О программе"): its caption and text.

#include <string>

#include "version/Version.h"

namespace tulex {

inline constexpr const char* kAboutCaption = "О программе ТУЛЕКС";

// "ТУЛЕКС 1.8", two line feeds and the authorship line.
inline std::string AboutText() { return std::string("ТУЛЕКС ") + kVersion + "\n\nРазработка: команда ТУЛЕКС"; }

}  // namespace tulex
