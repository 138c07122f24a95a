#pragma once
// What the plan reads from a controller: the registers of the parameter
// read ("Читать параметры контроллера") and the master card number of the
// master-card read ("Читать мастер-карту"), taken from their data replies.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tulex::plan {

// Registers 02, 01, 13, 10, 11, 16, 17, 12, 18, 19.
inline constexpr const char* kParameterRead = "$$02011310111617121819";
inline constexpr const char* kParameterReadDescription = "Чтение параметров контроллера";
// Registers 20..24 (the card number), 14, 15.
inline constexpr const char* kMasterCardRead = "$$20212223241415";
inline constexpr const char* kMasterCardReadDescription = "Чтение мастер-карты";

struct ParameterRegisters {
    std::uint8_t index = 0;                // register 02
    std::uint8_t type = 0;                 // register 01
    std::uint8_t mode = 0;                 // register 13: mode digit and option bits
    std::array<std::uint8_t, 4> relays{};  // registers 10, 11, 16, 17
    std::uint8_t prohibition = 0;          // register 12
    std::uint8_t inputs1 = 0;              // register 18
    std::uint8_t inputs2 = 0;              // register 19

    // The value of one of the registers above by its number.
    std::optional<std::uint8_t> Register(int number) const;
    friend bool operator==(const ParameterRegisters&, const ParameterRegisters&) = default;
};

// Nullopt unless the data holds 20 hex digits (either case).
std::optional<ParameterRegisters> ParseParameterReply(std::string_view data);

// The card number: the first ten characters, hex digits of either case,
// returned in upper case. Nullopt if they are not there.
std::optional<std::string> ParseMasterCardReply(std::string_view data);

}  // namespace tulex::plan
