#pragma once
// Global options of tulex-cli (those before the command), parsed the same way
// for every command.

#include <optional>
#include <string>
#include <vector>

namespace tulex::cli {

struct CliOptions {
    std::string port;            // -p, --port
    std::string speed = "9600";  // -s, --speed
    bool master = false;         // --master
    bool readers = true;         // --readers on|off   "&Информация от считывателей"
    bool sensors = false;        // --sensors on|off   "И&нформация от датчиков"
    bool onlineAnswer = false;   // --online-answer on|off
    bool sensorAnswer = true;    // --sensor-answer on|off
    std::string monitorPath;     // --monitor PATH|-
    bool yes = false;            // --yes
    bool json = false;           // --json
    bool help = false;
    bool version = false;
    std::string command;
    std::vector<std::string> args;  // everything after the command
};

// Exit statuses of the contract.
enum ExitStatus : int {
    kExitSuccess = 0,
    kExitFailure = 1,
    kExitUsage = 2,
    kExitPort = 3,
};

// Parses argv. On a usage error returns nullopt and fills error.
std::optional<CliOptions> ParseCliOptions(int argc, char** argv, std::string& error);

// Takes "--seconds N" out of args (the commands that run until stopped).
// Returns false with an error text if N is not a positive number.
bool TakeSecondsOption(std::vector<std::string>& args, std::optional<double>& seconds, std::string& error);

void PrintUsage();

}  // namespace tulex::cli
