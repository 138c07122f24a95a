#pragma once
// The time limits of the transactions. The engine always waits these real
// limits, on the session's clock; tests run them on a clock they move by
// hand.

#include <chrono>

namespace tulex::limits {

inline constexpr std::chrono::milliseconds kReply{3000};        // reply events after a request
inline constexpr std::chrono::milliseconds kData{3000};         // data event after the reply
inline constexpr std::chrono::milliseconds kIndexLoop{1000};    // index-change loops
inline constexpr std::chrono::milliseconds kClearPass{100};     // one buffer-clearing pass
inline constexpr std::chrono::milliseconds kSearchProbe{300};   // one index of the search
inline constexpr std::chrono::milliseconds kEepromTest{60000};  // memory test countdown

}  // namespace tulex::limits
