#pragma once
// A frame's shape for tests: in `shape`, '#' stands for a decimal digit,
// '%' for a line hex digit (0-9, A-F); every other character for itself.

#include <string_view>

#include "line/HexDigits.h"

namespace tulex::sim::test {

inline bool HasShape(std::string_view text, std::string_view shape) {
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        if (shape[i] == '#' ? !digit : shape[i] == '%' ? !IsLineHexDigit(c) : c != shape[i]) return false;
    }
    return true;
}

}  // namespace tulex::sim::test
