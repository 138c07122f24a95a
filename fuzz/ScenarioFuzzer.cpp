// tulex-sim's scenario reader on arbitrary text.
//
// Checked: it never crashes or throws; a refusal says why, in UTF-8 (the
// program prints it), whatever bytes the file held; an accepted
// scenario names controllers and events only by indexes of the index table,
// no index twice, and a poll range within the converter's.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "line/Frame.h"
#include "sim/Scenario.h"
#include "sim/SimConverter.h"

namespace tulex::fuzz {
namespace {

void CheckScenario(const sim::Scenario& scenario) {
    std::set<std::uint8_t> seen;
    for (const sim::ControllerSpec& controller : scenario.controllers) {
        Require(IsIndexByte(controller.index), "a controller's index is in the index table");
        Require(seen.insert(controller.index).second, "no two controllers share an index");
        for (const auto& [reg, value] : controller.registers)
            Require(reg >= 0 && reg <= 99 && reg != 2, "a register is numbered by two digits and is not the index");
    }
    for (const sim::ScheduleItem& item : scenario.events) {
        Require(!item.event.index || IsIndexByte(*item.event.index), "an event's index is in the index table");
        Require(item.atMs >= 0 && item.everyMs >= 0 && item.jitterMs >= 0 && item.repeat >= 0,
                "an event's times and repeat count are not negative");
    }
    const std::uint8_t upper = scenario.converter.pollUpper;
    Require(upper >= sim::SimConverter::kLowestUpper && upper <= sim::SimConverter::kHighestUpper,
            "the poll range ends within the converter's range");
}

}  // namespace
}  // namespace tulex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulex::fuzz;
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto scenario = tulex::sim::ParseScenario(json, error);
    if (!scenario) {
        Require(!error.empty(), "a refused scenario says why");
        RequireUtf8(error, "tulex-sim prints why in UTF-8");
        return 0;
    }
    CheckScenario(*scenario);
    return 0;
}
