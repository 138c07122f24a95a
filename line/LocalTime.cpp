#include "line/LocalTime.h"

namespace tulex {

std::tm ToLocalTime(std::time_t moment) {
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &moment);
#else
    localtime_r(&moment, &local);
#endif
    return local;
}

}  // namespace tulex
