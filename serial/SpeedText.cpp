#include "serial/SpeedText.h"

#include <charconv>
#include <cstdint>

namespace tulex {

bool ParseSpeedText(const std::string& text, long& value) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;
    if (first == last) return false;
    long v = 0;
    const auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last) return false;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = v;
    return true;
}

}  // namespace tulex
