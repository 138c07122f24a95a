#pragma once
// A commissioning plan: the site's name and one row per controller with its
// planned index and what it should be set to. An unset field means "leave
// as is": nothing is compared or written for it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"

namespace tulex::plan {

struct PlannedController {
    std::uint8_t index = 0;                                  // line byte of the index table
    std::string name;                                        // door, turnstile, room (UTF-8)
    std::optional<Preset> preset;                            // one of the five standard sets
    std::optional<Mode> mode;                                // off-line, on-line, autonomous
    std::array<std::optional<std::uint8_t>, 4> relayTenths;  // register values of relays 1..4
    std::array<std::string, 4> relayText;                    // the hold times as written in the plan
    std::optional<std::string> masterCard;                   // ten upper-case hex digits
    int line = 0;                                            // where the row stands in its file (0: not from a file)

    bool PlansAnything() const {
        if (preset || mode || masterCard) return true;
        for (const auto& r : relayTenths)
            if (r) return true;
        return false;
    }
};

struct Plan {
    std::string site;  // UTF-8; may be empty
    std::vector<PlannedController> rows;
};

// The names of a plan's fields, as the file's columns and the differences
// name them.
inline constexpr const char* kFieldIndex = "index";
inline constexpr const char* kFieldName = "name";
inline constexpr const char* kFieldPreset = "preset";
inline constexpr const char* kFieldMode = "mode";
inline constexpr const char* kFieldMasterCard = "master_card";
inline constexpr std::array<const char*, 4> kFieldRelays{"relay1", "relay2", "relay3", "relay4"};

// The modes as a plan writes them, in the order of Mode.
inline constexpr std::array<const char*, 3> kModeNames{"offline", "online", "autonomous"};

}  // namespace tulex::plan
