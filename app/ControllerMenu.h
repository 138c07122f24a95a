#pragma once
// The commands of the controller menu (opened on a map cell), named for what
// they do. The window's menu items, the map's shortcut keys and tulex-cli pick
// a command by these names.

namespace tulex {

enum class MenuCommand {
    CheckPresence,
    ReadParameters,
    ChangeIndex,
    PresetDoorWithoutSensor,
    PresetDoorWithSensor,
    PresetTurnstileWithoutConfirmation,
    PresetTurnstileWithConfirmation,
    PresetRegistrationTerminal,
    ModeOffline,
    ModeOnline,
    ModeAutonomous,
    SetMasterCard,
    ReadMasterCard,
    RelayTime1,
    RelayTime2,
    RelayTime3,
    RelayTime4,
    TestMemory,
    TestLine,
    TestRelay1,
    TestRelay2,
    TestRelay3,
    TestRelay4,
    RunRawCommand,
};

}  // namespace tulex
