#pragma once
// A plan's row against what its controller holds: the fields that differ,
// and the writes that make them match, in the order they must go (the
// standard set first, since it also writes the mode and the relay times;
// then the mode; then each relay). A field the plan leaves empty is never
// compared and never written; a standard set is compared only on the
// registers that no other planned field sets.

#include <optional>
#include <string>
#include <vector>

#include "plan/Plan.h"
#include "plan/Readings.h"

namespace tulex::plan {

struct Difference {
    std::string field;    // preset, mode, relay1..relay4, master_card
    std::string planned;  // as a plan writes it: "2", "offline", "2.5", "0012345678"
    std::string found;    // the same form, or the registers where no value fits
    friend bool operator==(const Difference&, const Difference&) = default;
};

// Every planned field that the registers (and the card, when it was read)
// do not match. The master card counts only when `masterCard` is given.
std::vector<Difference> Differences(const PlannedController& row, const ParameterRegisters& found,
                                    const std::optional<std::string>& masterCard);

// The difference of one field, if it differs.
std::optional<Difference> FieldDifference(const PlannedController& row, const std::string& field,
                                          const ParameterRegisters& found);

// One register write of the controller menu's setting commands.
struct RegisterWrite {
    std::string field;        // what it sets: preset, mode, relay1..relay4
    std::string command;      // the write command text ("!13...")
    std::string description;  // the monitor's description, as the menu command has it
};

// The first write the row still needs, or nullopt when the registers match
// the plan (the master card is not a register write).
std::optional<RegisterWrite> NextWrite(const PlannedController& row, const ParameterRegisters& found);

// The mode a register 13 value holds, as a plan writes it, or "" for a
// digit no mode command writes.
std::string ModeOfRegister(std::uint8_t reg13);

}  // namespace tulex::plan
