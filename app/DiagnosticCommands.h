#pragma once
// The readings the diagnostic workers make of a controller's reply data:
// the memory test's verdict and the relay hold time.

#include <optional>
#include <string>
#include <string_view>

namespace tulex {

struct MemoryTestVerdict {
    bool success = false;
    std::string text;  // UTF-8 balloon text
};

// The memory test's result from the first two characters of the reply data
// ("21" passed, "45" failed, anything else, also shorter data: try again).
MemoryTestVerdict EvaluateMemoryTest(std::string_view replyData);

// The relay hold time in units of 100 ms: the first two characters of the
// reply data as one hexadecimal number (0x00..0xFF). Nothing when there are
// fewer than two characters or they are not hexadecimal digits: the test
// must not pace the relay by a guess.
std::optional<int> ReadHoldTime(std::string_view replyData);

}  // namespace tulex
