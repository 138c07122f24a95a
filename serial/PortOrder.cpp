#include "serial/PortOrder.h"

#include <cstddef>

namespace tulex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The digit run starting at i, without its leading zeros.
std::string_view DigitRun(std::string_view text, std::size_t& i) {
    while (i < text.size() && text[i] == '0' && i + 1 < text.size() && IsDigit(text[i + 1])) ++i;
    const std::size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return text.substr(start, i - start);
}

// -1, 0 or 1 as a is before, equal to or after b in natural order.
int NaturalCompare(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::string_view x = DigitRun(a, i);
            const std::string_view y = DigitRun(b, j);
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            if (x != y) return x < y ? -1 : 1;
            continue;
        }
        const char x = Lower(a[i]);
        const char y = Lower(b[j]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
    const int order = NaturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}

}  // namespace tulex
