#include "plan/Comparison.h"

#include "controller/StandardSets.h"
#include "line/HexDigits.h"
#include "plan/FieldValues.h"

namespace tulex::plan {

namespace {

// One register of a standard set as a row compares it: a mask leaves out
// the digits that another planned field sets.
struct RegisterCheck {
    int number;
    std::uint8_t mask;
    std::uint8_t value;
};

std::vector<RegisterCheck> PresetChecks(const PlannedController& row, Preset preset) {
    std::vector<RegisterCheck> checks;
    const auto pairs = WritePairs(StandardSets().at(static_cast<std::size_t>(preset)).command);
    if (!pairs) return checks;
    for (const auto& [number, value] : *pairs) {
        std::uint8_t mask = 0xFF;
        if (number == 13 && row.mode) mask = 0x0F;  // the mode writes the high digit
        for (std::size_t relay = 0; relay < kRelayRegisters.size(); ++relay)
            if (number == kRelayRegisters[relay] && row.relayTenths[relay]) mask = 0;
        if (mask != 0) checks.push_back({number, mask, value});
    }
    return checks;
}

bool Matches(const std::vector<RegisterCheck>& checks, const ParameterRegisters& found) {
    for (const auto& check : checks) {
        const auto value = found.Register(check.number);
        if (!value || (*value & check.mask) != (check.value & check.mask)) return false;
    }
    return true;
}

// The standard set the registers hold, compared as the row compares its
// own; else the compared registers as they are ("13=43 12=14 18=63 19=73").
std::string FoundPreset(const PlannedController& row, Preset planned, const ParameterRegisters& found) {
    for (std::size_t i = 0; i < StandardSets().size(); ++i)
        if (Matches(PresetChecks(row, static_cast<Preset>(i)), found)) return PresetValueText(static_cast<Preset>(i));
    std::string text;
    for (const auto& check : PresetChecks(row, planned)) {
        if (!text.empty()) text += ' ';
        text += std::to_string(check.number) + "=" + HexByte(found.Register(check.number).value_or(0));
    }
    return text;
}

int ModeDigit(Mode mode) { return kModeSettings.at(static_cast<std::size_t>(mode)).digit - '0'; }

}  // namespace

std::string ModeOfRegister(std::uint8_t reg13) {
    for (std::size_t i = 0; i < kModeSettings.size(); ++i)
        if (reg13 >> 4 == kModeSettings[i].digit - '0') return kModeNames[i];
    return "";
}

std::optional<Difference> FieldDifference(const PlannedController& row, const std::string& field,
                                          const ParameterRegisters& found) {
    if (field == kFieldPreset && row.preset) {
        if (Matches(PresetChecks(row, *row.preset), found)) return std::nullopt;
        return Difference{field, PresetValueText(*row.preset), FoundPreset(row, *row.preset, found)};
    }
    if (field == kFieldMode && row.mode) {
        if (found.mode >> 4 == ModeDigit(*row.mode)) return std::nullopt;
        const std::string mode = ModeOfRegister(found.mode);
        return Difference{field, ModeValueText(*row.mode), mode.empty() ? "13=" + HexByte(found.mode) : mode};
    }
    for (std::size_t relay = 0; relay < kFieldRelays.size(); ++relay) {
        if (field != kFieldRelays[relay] || !row.relayTenths[relay]) continue;
        if (found.relays[relay] == *row.relayTenths[relay]) return std::nullopt;
        return Difference{field, TenthsText(*row.relayTenths[relay]), TenthsText(found.relays[relay])};
    }
    return std::nullopt;
}

std::vector<Difference> Differences(const PlannedController& row, const ParameterRegisters& found,
                                    const std::optional<std::string>& masterCard) {
    std::vector<Difference> differences;
    for (const std::string field :
         {kFieldPreset, kFieldMode, kFieldRelays[0], kFieldRelays[1], kFieldRelays[2], kFieldRelays[3]})
        if (auto d = FieldDifference(row, field, found)) differences.push_back(std::move(*d));
    if (row.masterCard && masterCard && *masterCard != *row.masterCard)
        differences.push_back({kFieldMasterCard, *row.masterCard, *masterCard});
    return differences;
}

std::optional<RegisterWrite> NextWrite(const PlannedController& row, const ParameterRegisters& found) {
    if (FieldDifference(row, kFieldPreset, found)) {
        const StandardSet& set = StandardSets().at(static_cast<std::size_t>(*row.preset));
        return RegisterWrite{kFieldPreset, set.command,
                             std::string("Изменение параметров контроллера: ") + set.caption};
    }
    if (FieldDifference(row, kFieldMode, found)) {
        const ModeSetting& mode = kModeSettings.at(static_cast<std::size_t>(*row.mode));
        // Read-modify-write as the mode command does it: the option bits of
        // the low digit stay.
        std::string command = "!13";
        command += mode.digit;
        command += HexByte(found.mode)[1];
        return RegisterWrite{kFieldMode, command, mode.description};
    }
    for (std::size_t relay = 0; relay < kFieldRelays.size(); ++relay) {
        if (!FieldDifference(row, kFieldRelays[relay], found)) continue;
        const std::string number = std::to_string(relay + 1);
        const std::string& text =
            row.relayText[relay].empty() ? TenthsText(*row.relayTenths[relay]) : row.relayText[relay];
        return RegisterWrite{kFieldRelays[relay],
                             "!" + std::to_string(kRelayRegisters[relay]) + HexByte(*row.relayTenths[relay]),
                             "Изменение параметров реле " + number + ": " + text + " с"};
    }
    return std::nullopt;
}

}  // namespace tulex::plan
