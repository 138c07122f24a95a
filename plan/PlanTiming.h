#pragma once
// The time limits of a plan run beyond those of the commands it is built
// from (app/Timing.h).

#include <chrono>

namespace tulex::plan::limits {

// How often a waited-for index is asked while no controller answers there.
inline constexpr std::chrono::milliseconds kArrivalProbe{1000};
// How often the master card is read back while the operator presents it.
inline constexpr std::chrono::milliseconds kMasterCardPoll{1000};
// How long the operator has to present the master card at one controller.
inline constexpr std::chrono::milliseconds kMasterCardWait{60000};

// Buffer-clearing passes (app/Timing.h kClearPass each) after an "!" before
// the controller counts as fallen silent: as long as a data reply may take.
inline constexpr int kClearPasses = 30;

}  // namespace tulex::plan::limits
