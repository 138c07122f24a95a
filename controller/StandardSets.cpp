#include "controller/StandardSets.h"

#include "line/HexDigits.h"

namespace tulex {

const std::array<StandardSet, 5>& StandardSets() {
    static const std::array<StandardSet, 5> sets{{
        {"Дверь без датчика положения", "!13401014111416141714121418031913"},
        {"Дверь с датчиком положения", "!13431014111416141714121418631973"},
        {"Турникет без подтверждения прохода", "!134710051105160517051214182F191F"},
        {"Турникет с подтверждением прохода", "!134710051105160517051214186F195F"},
        {"Регистрационный терминал", "!1300100F110F161E170A121418FF19FF"},
    }};
    return sets;
}

std::optional<std::vector<std::pair<int, std::uint8_t>>> WritePairs(std::string_view command) {
    if (command.empty() || command.front() != '!' || (command.size() - 1) % 4 != 0) return std::nullopt;
    std::vector<std::pair<int, std::uint8_t>> pairs;
    for (std::size_t at = 1; at < command.size(); at += 4) {
        const char tens = command[at];
        const char ones = command[at + 1];
        if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return std::nullopt;
        const auto value = ParseHexByte(command.substr(at + 2, 2));
        if (!value) return std::nullopt;
        pairs.emplace_back((tens - '0') * 10 + (ones - '0'), *value);
    }
    return pairs;
}

}  // namespace tulex
