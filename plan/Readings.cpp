#include "plan/Readings.h"

#include <algorithm>
#include <cctype>

#include "controller/Reports.h"
#include "line/HexDigits.h"

namespace tulex::plan {

std::optional<std::uint8_t> ParameterRegisters::Register(int number) const {
    switch (number) {
    case 1: return type;
    case 2: return index;
    case 10: return relays[0];
    case 11: return relays[1];
    case 12: return prohibition;
    case 13: return mode;
    case 16: return relays[2];
    case 17: return relays[3];
    case 18: return inputs1;
    case 19: return inputs2;
    default: return std::nullopt;
    }
}

std::optional<ParameterRegisters> ParseParameterReply(std::string_view data) {
    std::array<std::uint8_t, 10> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto value = HexField(data, i * 2, 2);
        if (!value) return std::nullopt;
        values[i] = static_cast<std::uint8_t>(*value);
    }
    ParameterRegisters r;
    r.index = values[0];
    r.type = values[1];
    r.mode = values[2];
    r.relays = {values[3], values[4], values[5], values[6]};
    r.prohibition = values[7];
    r.inputs1 = values[8];
    r.inputs2 = values[9];
    return r;
}

std::optional<std::string> ParseMasterCardReply(std::string_view data) {
    if (data.size() < 10) return std::nullopt;
    std::string card(data.substr(0, 10));
    if (!std::all_of(card.begin(), card.end(), IsHexDigit)) return std::nullopt;
    std::transform(card.begin(), card.end(), card.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return card;
}

}  // namespace tulex::plan
