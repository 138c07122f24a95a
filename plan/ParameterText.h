#pragma once
// The registers of a parameter read in words, as the parameter report of
// "Читать параметры контроллера" words them: for the plan's report tables
// and its JSON.

#include <array>
#include <string>

#include "plan/Readings.h"

namespace tulex::plan {

struct ParameterText {
    std::string type;                   // "ОРТИН-31 версия 8.5", "?"
    std::string mode;                   // "off-line", "on-line", "автономный"
    std::array<std::string, 4> relays;  // "2.0", "INF"
    std::string prohibition;            // the prohibition indication time, the same way
    std::string inputs1;                // "+ + — — — + + —": inputs 1..8 of register 18
    std::string inputs2;                // the same of register 19
    bool relay1BySensor = false;        // "Отпускание реле 1 по датчику"
    bool relay2BySensor = false;        // "Отпускание реле 2 по датчику"
    bool readersBlocked = false;        // "Блокировка считывателей"
};

ParameterText DescribeParameters(const ParameterRegisters& registers);

// A hold time register in seconds ("2.0"), "INF" for FF.
std::string HoldTimeText(std::uint8_t tenths);

}  // namespace tulex::plan
