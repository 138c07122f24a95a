#include "app/MapShortcuts.h"

#include <algorithm>
#include <array>

namespace tulex {

namespace {

bool Held(const std::vector<int>& held, int key) { return std::find(held.begin(), held.end(), key) != held.end(); }

// The commands reached with a held key and a digit 1..n.
constexpr std::array kPresets = {MenuCommand::PresetDoorWithoutSensor, MenuCommand::PresetDoorWithSensor,
                                 MenuCommand::PresetTurnstileWithoutConfirmation,
                                 MenuCommand::PresetTurnstileWithConfirmation, MenuCommand::PresetRegistrationTerminal};
constexpr std::array kModes = {MenuCommand::ModeOffline, MenuCommand::ModeOnline, MenuCommand::ModeAutonomous,
                               MenuCommand::SetMasterCard, MenuCommand::ReadMasterCard};
constexpr std::array kRelayTimes = {MenuCommand::RelayTime1, MenuCommand::RelayTime2, MenuCommand::RelayTime3,
                                    MenuCommand::RelayTime4};
constexpr std::array kRelayTests = {MenuCommand::TestRelay1, MenuCommand::TestRelay2, MenuCommand::TestRelay3,
                                    MenuCommand::TestRelay4};

template <std::size_t N>
std::optional<MenuCommand> Pick(const std::array<MenuCommand, N>& commands, int digit) {
    if (digit < 1 || digit > static_cast<int>(N)) return std::nullopt;
    return commands[static_cast<std::size_t>(digit - 1)];
}

}  // namespace

std::optional<MenuCommand> MapShortcut(int pressedFunctionKey, int pressedDigit,
                                       const std::vector<int>& heldFunctionKeys) {
    if (pressedDigit >= 1) {
        if (Held(heldFunctionKeys, 4)) return Pick(kPresets, pressedDigit);
        if (Held(heldFunctionKeys, 5)) return Pick(kModes, pressedDigit);
        if (Held(heldFunctionKeys, 6)) return Pick(kRelayTimes, pressedDigit);
        if (Held(heldFunctionKeys, 9)) return Pick(kRelayTests, pressedDigit);
        return std::nullopt;
    }
    switch (pressedFunctionKey) {
    case 1: return MenuCommand::CheckPresence;
    case 2: return MenuCommand::ReadParameters;
    case 3: return MenuCommand::ChangeIndex;
    case 7: return MenuCommand::TestMemory;
    case 8: return MenuCommand::TestLine;
    case 10: return MenuCommand::RunRawCommand;
    default: return std::nullopt;
    }
}

}  // namespace tulex
