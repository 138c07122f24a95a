#pragma once
// Windows only: the program's text is UTF-8 everywhere; the Win32 calls that
// take names (ports, paths, console output) take UTF-16. These two functions
// are the edge between them, for every layer.

#include <string>
#include <string_view>

namespace tulex {

// UTF-8 to UTF-16; a byte sequence that is not UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace tulex
