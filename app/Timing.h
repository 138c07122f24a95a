#pragma once
// The time limits of the transactions. Tests may shorten every limit through
// one test-only setting: a divisor, set in code or by the environment
// variable TULEX_TEST_TIME_DIVISOR (so that tulex-cli runs in end-to-end
// tests take it too). The program itself never sets it.

#include <chrono>

namespace tulex {

namespace limits {
inline constexpr std::chrono::milliseconds kReply{3000};        // reply events after a request
inline constexpr std::chrono::milliseconds kData{3000};         // data event after the reply
inline constexpr std::chrono::milliseconds kIndexLoop{1000};    // index-change loops
inline constexpr std::chrono::milliseconds kClearPass{100};     // one buffer-clearing pass
inline constexpr std::chrono::milliseconds kSearchProbe{300};   // one index of the search
inline constexpr std::chrono::milliseconds kEepromTest{60000};  // memory test countdown
}  // namespace limits

// The limit as it applies now (the real value unless a test shortened it).
std::chrono::milliseconds Limit(std::chrono::milliseconds limit);

// Test-only: divide every limit by divisor (1 restores the real values).
void SetTestTimeDivisor(int divisor);
int TestTimeDivisor();

}  // namespace tulex
