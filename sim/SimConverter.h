#pragma once
// The RS232/RS485 converter at address 0xFE: its version, poll range and
// speed settings, and the answers to the commands addressed to it.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace tulex::sim {

// What an odd or faulty converter says to one command text instead of its
// own answer: `first` at once (empty: nothing), then `then` after `gapMs`
// (empty: nothing more). A unit that answers twice, or with the wrong kind
// of reply, or not at all.
struct CannedAnswer {
    std::string first{};
    std::string then{};
    int gapMs = 0;
};

struct ConverterConfig {
    std::string versionCode = "21";              // two characters; "21" reads as S4.3
    std::uint8_t pollUpper = 0xC6;               // upper index of the poll range (Ж)
    std::string speedDigits = "08";              // RS485 digit, RS232 digit
    bool echo = false;                           // return every byte the PC sends
    std::map<std::string, CannedAnswer> canned;  // by command text
};

class SimConverter {
public:
    static constexpr std::uint8_t kLowestUpper = 0x48;   // H
    static constexpr std::uint8_t kHighestUpper = 0xC6;  // Ж

    explicit SimConverter(ConverterConfig config = {}) : config_(std::move(config)) {}

    // The whole answer frame to a command text: a converter data reply, "$?"
    // or "#?".
    std::string HandleCommand(std::string_view command);
    // The canned answer to the command text, if it has one.
    const CannedAnswer* Canned(std::string_view command) const;

    ConverterConfig& Config() { return config_; }
    const ConverterConfig& Config() const { return config_; }

private:
    ConverterConfig config_;
};

}  // namespace tulex::sim
