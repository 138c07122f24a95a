#pragma once
// A scenario: the line's settings, the converter, the controllers and the
// scheduled events, read from JSON. Every key is listed in sim/README.md.

#include "sim/SimEvents.h"
#include "sim/SimLine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tulex::sim {

struct ControllerSpec {
    std::uint8_t index = 0;
    ControllerBehaviour behaviour;
    std::string preset;                                   // empty: default registers
    std::vector<std::pair<int, std::uint8_t>> registers;  // applied after the preset
    bool queued = false;                                  // connected once its index is free (SimLine::QueueController)
};

struct Scenario {
    LineConfig line;
    ConverterConfig converter;
    std::uint32_t seed = 1;
    std::vector<ControllerSpec> controllers;
    std::vector<ScheduleItem> events;
};

// Nullopt with a message naming the offending key on any error.
std::optional<Scenario> ParseScenario(std::string_view json, std::string& error);
std::optional<Scenario> LoadScenario(const std::string& path, std::string& error);

// The demo line shipped with the program (sim/scenarios/demo.json).
std::string_view DemoScenarioJson();

// Puts the scenario's controllers on the line and its events on the
// schedule. False (with a message) if two controllers share an index.
bool ApplyScenario(const Scenario& scenario, SimLine& line, SimEvents& events, SimTime start, std::string& error);

}  // namespace tulex::sim
