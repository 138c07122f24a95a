#include "line/Clock.h"

#include <gtest/gtest.h>

namespace tulex {
namespace {

// The cheap reading counts from the same start as the exact one and is never
// ahead of it: the statistics compare times taken either way.
TEST(SteadyClock, CoarseReadingFollowsTheExactOne) {
    const Clock& clock = Clock::Steady();
    for (int i = 0; i < 1000; ++i) {
        const Clock::TimePoint coarse = clock.CoarseNow();
        const Clock::TimePoint exact = clock.Now();
        ASSERT_LE(coarse, exact);
        ASSERT_LT(exact - coarse, std::chrono::seconds(1));
    }
}

}  // namespace
}  // namespace tulex
