#pragma once
// What the setting commands write into the controller registers: the five
// standard parameter sets of "Задать параметры по стандарту" (one write of
// registers 13, 10, 11, 16, 17, 12, 18, 19 each), the mode digits of
// register 13, and the registers of the relay hold times. The menu handlers
// and the commissioning plans share them.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace tulex {

struct StandardSet {
    const char* caption;  // the menu item's text
    const char* command;  // the write command text
};

// The five sets in menu order.
const std::array<StandardSet, 5>& StandardSets();

// The register number and value pairs of a write command text
// ("!1340..." -> {13, 0x40}, ...); nullopt if it is not one.
std::optional<std::vector<std::pair<int, std::uint8_t>>> WritePairs(std::string_view command);

// The operating modes of "Задать режим работы контроллера" in menu order
// (off-line, on-line, autonomous): the high digit of register 13 each
// writes, the description of its write and its result text.
struct ModeSetting {
    char digit;
    const char* description;
    const char* result;
};
inline constexpr std::array<ModeSetting, 3> kModeSettings{{
    {'4', "Изменение режима работы контроллера: Off-line", "Off-line режим установлен."},
    {'0', "Изменение режима работы контроллера: On-line", "On-line режим установлен."},
    {'6', "Изменение режима работы контроллера: Автономный", "Автономный режим установлен."},
}};

// The registers of relays 1 to 4.
inline constexpr std::array<int, 4> kRelayRegisters{10, 11, 16, 17};

}  // namespace tulex
