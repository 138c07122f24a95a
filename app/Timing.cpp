#include "app/Timing.h"

#include <atomic>
#include <cstdlib>

namespace tulex {
namespace {

int DivisorFromEnvironment() {
    const char* text = std::getenv("TULEX_TEST_TIME_DIVISOR");
    if (!text) return 1;
    const int value = std::atoi(text);
    return value >= 1 ? value : 1;
}

std::atomic<int>& Divisor() {
    static std::atomic<int> divisor{DivisorFromEnvironment()};
    return divisor;
}

}  // namespace

std::chrono::milliseconds Limit(std::chrono::milliseconds limit) {
    const int d = Divisor().load();
    if (d <= 1) return limit;
    const auto shortened = limit / d;
    return shortened.count() > 0 ? shortened : std::chrono::milliseconds(1);
}

void SetTestTimeDivisor(int divisor) { Divisor() = divisor >= 1 ? divisor : 1; }

int TestTimeDivisor() { return Divisor().load(); }

}  // namespace tulex
