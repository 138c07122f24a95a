#pragma once

#include "app/Timing.h"

namespace tulex::test {

// Shortens every time limit of the engine while it lives (1 keeps the real
// ones). Use it only where nothing prompt must beat a shortened limit: a
// loaded machine may answer late.
class TimeDivisor {
public:
    explicit TimeDivisor(int divisor) { SetTestTimeDivisor(divisor); }
    ~TimeDivisor() { SetTestTimeDivisor(1); }
    TimeDivisor(const TimeDivisor&) = delete;
    TimeDivisor& operator=(const TimeDivisor&) = delete;
};

}  // namespace tulex::test
