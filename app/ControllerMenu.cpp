// The controller menu's commands by name.

#include "app/CommandContext.h"
#include "app/ControllerCommands.h"

namespace tulex {

void ControllerCommands::Run(MenuCommand command) {
    // One command at a time: the window disables the map while one runs, so
    // a command reached any other way while one runs does nothing.
    if (context_.transaction().busy || context_.converterTransaction().busy) return;
    switch (command) {
    case MenuCommand::CheckPresence: return CheckPresence();
    case MenuCommand::ReadParameters: return ReadParameters();
    case MenuCommand::ChangeIndex: return ChangeIndex();
    case MenuCommand::PresetDoorWithoutSensor: return ApplyPreset(Preset::DoorWithoutSensor);
    case MenuCommand::PresetDoorWithSensor: return ApplyPreset(Preset::DoorWithSensor);
    case MenuCommand::PresetTurnstileWithoutConfirmation: return ApplyPreset(Preset::TurnstileWithoutConfirmation);
    case MenuCommand::PresetTurnstileWithConfirmation: return ApplyPreset(Preset::TurnstileWithConfirmation);
    case MenuCommand::PresetRegistrationTerminal: return ApplyPreset(Preset::RegistrationTerminal);
    case MenuCommand::ModeOffline: return SetMode(Mode::Offline);
    case MenuCommand::ModeOnline: return SetMode(Mode::Online);
    case MenuCommand::ModeAutonomous: return SetMode(Mode::Autonomous);
    case MenuCommand::SetMasterCard: return SetMasterCard();
    case MenuCommand::ReadMasterCard: return ReadMasterCard();
    case MenuCommand::RelayTime1: return SetRelayTime(1);
    case MenuCommand::RelayTime2: return SetRelayTime(2);
    case MenuCommand::RelayTime3: return SetRelayTime(3);
    case MenuCommand::RelayTime4: return SetRelayTime(4);
    case MenuCommand::TestMemory: return TestMemory();
    case MenuCommand::TestLine: return TestLine();
    case MenuCommand::TestRelay1: return TestRelay(1);
    case MenuCommand::TestRelay2: return TestRelay(2);
    case MenuCommand::TestRelay3: return TestRelay(3);
    case MenuCommand::TestRelay4: return TestRelay(4);
    case MenuCommand::RunRawCommand: return RunRawCommand();
    }
}

}  // namespace tulex
