#pragma once
// The window's texts are the engine's UTF-8; the wide API gets UTF-16.

#include <string>
#include <string_view>

#include "serial/WideText.h"

namespace tulex::win32 {

inline std::wstring W(std::string_view utf8) { return WideFromUtf8(utf8); }
inline std::string U(std::wstring_view wide) { return Utf8FromWide(wide); }

}  // namespace tulex::win32
