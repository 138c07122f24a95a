#pragma once
// The local time of a moment, for the monitor's and the trace's time stamps:
// the thread-safe call of each platform (localtime_r, localtime_s).

#include <ctime>

namespace tulex {

std::tm ToLocalTime(std::time_t moment);

}  // namespace tulex
