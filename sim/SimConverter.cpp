#include "sim/SimConverter.h"

#include "line/HexDigits.h"

namespace tulex::sim {

std::string SimConverter::HandleCommand(std::string_view command) {
    if (command == "0") return config_.versionCode + "?";
    if (command == "2") return HexByte(config_.pollUpper) + "?";
    if (command == "4") return config_.speedDigits + "?";
    if (command.size() == 2 && command[0] == '1') {
        const auto upper = static_cast<std::uint8_t>(command[1]);
        if (upper < kLowestUpper || upper > kHighestUpper) return "#?";
        config_.pollUpper = upper;
        return "$?";
    }
    return "#?";
}

const CannedAnswer* SimConverter::Canned(std::string_view command) const {
    const auto it = config_.canned.find(std::string(command));
    return it == config_.canned.end() ? nullptr : &it->second;
}

}  // namespace tulex::sim
