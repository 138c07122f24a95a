#pragma once
// The command line of tulex-sim.

#include "sim/SimTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tulex::sim {

struct SimOptions {
    bool help = false;
    bool version = false;
    std::string scenarioPath;
    std::vector<std::uint8_t> controllers;
    std::optional<ReplyStyle> reply;
    std::optional<bool> absentError;
    bool echo = false;
    bool silent = false;
    bool errorReply = false;
    bool deviceError = false;
    std::string tracePath;
    std::optional<int> delayMs;
    std::optional<int> eepromDelayMs;
    bool eepromFail = false;
    std::optional<int> cardIntervalMs;
    std::optional<int> onlineIntervalMs;
    std::optional<int> sensorIntervalMs;
    std::optional<int> answerTimeoutMs;
    std::optional<std::string> converterVersion;
    std::optional<std::uint8_t> pollUpper;
    std::optional<std::string> speedDigits;
    std::optional<std::uint32_t> seed;
    bool noStdin = false;
};

// Nullopt with a message on a usage error.
std::optional<SimOptions> ParseSimOptions(int argc, char** argv, std::string& error);

// The text of --help: every option, the stdin commands and a pointer to the
// scenario keys.
std::string SimHelpText();

}  // namespace tulex::sim
