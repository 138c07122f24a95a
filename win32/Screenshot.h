#pragma once
// A picture of the whole screen as a PNG file (tulex --screenshot FILE):
// the README's picture of the window under Wine is taken this way.

#include <string>

namespace tulex::win32 {

// False when the screen could not be read or the file not written.
bool SaveScreenPng(const std::wstring& path);

}  // namespace tulex::win32
