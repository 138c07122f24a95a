// tulex-cli check, params, set-index, mode, preset, relay-time and
// master-card: the controller queries and settings of the controller menu, run by the
// same handlers as the menu items. IDX selects the map's cell; the
// handler's dialog is answered from the arguments (the same checks and
// messages as in the window); the final balloon is the output.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/IndexArgument.h"
#include "controller/IndexInput.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex::cli {

namespace {

const char* const kUsage =
    "Usage: tulex-cli [OPTIONS] check IDX\n"
    "       tulex-cli [OPTIONS] params IDX\n"
    "       tulex-cli [OPTIONS] set-index IDX NEW\n"
    "       tulex-cli [OPTIONS] mode IDX offline|online|autonomous\n"
    "       tulex-cli [OPTIONS] preset IDX 1..5\n"
    "       tulex-cli [OPTIONS] relay-time IDX 1..4 TEXT\n"
    "       tulex-cli [OPTIONS] master-card IDX set|read\n"
    "IDX, NEW: one character (G .. ь) or 0xHH\n";

int Usage(const std::string& command, const std::string& problem) {
    std::fprintf(stderr, "tulex-cli: %s: %s\n%s", command.c_str(), problem.c_str(), kUsage);
    return kExitUsage;
}

// What one command does once the port is open and IDX selected: it queues
// the dialog's answer if there is one and calls the handler.
using Invoke = void (*)(ControllerCommands&, const std::string& argument);

struct Choice {
    const char* name;
    MenuCommand command;
};

constexpr Choice kModes[] = {{"offline", MenuCommand::ModeOffline},
                             {"online", MenuCommand::ModeOnline},
                             {"autonomous", MenuCommand::ModeAutonomous}};
constexpr Choice kPresets[] = {{"1", MenuCommand::PresetDoorWithoutSensor},
                               {"2", MenuCommand::PresetDoorWithSensor},
                               {"3", MenuCommand::PresetTurnstileWithoutConfirmation},
                               {"4", MenuCommand::PresetTurnstileWithConfirmation},
                               {"5", MenuCommand::PresetRegistrationTerminal}};
constexpr Choice kRelays[] = {{"1", MenuCommand::RelayTime1},
                              {"2", MenuCommand::RelayTime2},
                              {"3", MenuCommand::RelayTime3},
                              {"4", MenuCommand::RelayTime4}};
constexpr Choice kMasterCard[] = {{"set", MenuCommand::SetMasterCard}, {"read", MenuCommand::ReadMasterCard}};

template <std::size_t N>
std::optional<MenuCommand> Pick(const Choice (&choices)[N], const std::string& name) {
    for (const Choice& c : choices)
        if (name == c.name) return c.command;
    return std::nullopt;
}

template <std::size_t N>
std::string Names(const Choice (&choices)[N]) {
    std::string out;
    for (const Choice& c : choices) out += (out.empty() ? "" : "|") + std::string(c.name);
    return out;
}

struct Command {
    MenuCommand menuCommand = MenuCommand::CheckPresence;
    std::optional<std::string> input;  // the dialog's answer
};

// Checks the arguments after IDX; a usage problem returns nullopt.
std::optional<Command> ParseCommand(const std::string& name, const std::vector<std::string>& rest,
                                    std::string& problem) {
    const auto expect = [&](std::size_t n) {
        if (rest.size() == n) return true;
        problem = rest.size() < n ? "missing argument" : "too many arguments";
        return false;
    };
    const auto choose = [&](const auto& choices, const std::string& what,
                            const std::string& value) -> std::optional<Command> {
        if (const auto picked = Pick(choices, value)) return Command{*picked, std::nullopt};
        problem = what + " must be " + Names(choices) + ", not \"" + value + "\"";
        return std::nullopt;
    };
    if (name == "check") {
        if (!expect(0)) return std::nullopt;
        return Command{MenuCommand::CheckPresence, std::nullopt};
    }
    if (name == "params") {
        if (!expect(0)) return std::nullopt;
        return Command{MenuCommand::ReadParameters, std::nullopt};
    }
    if (name == "set-index") {
        if (!expect(1)) return std::nullopt;
        return Command{MenuCommand::ChangeIndex, IndexAsTyped(rest[0])};
    }
    if (name == "mode") {
        if (!expect(1)) return std::nullopt;
        return choose(kModes, "the mode", rest[0]);
    }
    if (name == "preset") {
        if (!expect(1)) return std::nullopt;
        return choose(kPresets, "the preset", rest[0]);
    }
    if (name == "relay-time") {
        if (!expect(2)) return std::nullopt;
        auto command = choose(kRelays, "the relay", rest[0]);
        if (command) command->input = rest[1];
        return command;
    }
    if (!expect(1)) return std::nullopt;  // master-card
    return choose(kMasterCard, "the master-card action", rest[0]);
}

}  // namespace

bool IsControllerCommand(const std::string& command) {
    for (const char* name : {"check", "params", "set-index", "mode", "preset", "relay-time", "master-card"})
        if (command == name) return true;
    return false;
}

int RunControllerCommand(const CliOptions& options) {
    const std::vector<std::string>& args = options.args;
    if (args.empty()) return Usage(options.command, "missing IDX");
    std::string problem;
    const auto command = ParseCommand(options.command, std::vector<std::string>(args.begin() + 1, args.end()), problem);
    if (!command) return Usage(options.command, problem);
    const auto index = ParseIndexArgument(args[0]);
    if (!index) return kExitUsage;

    CliSession session(options);
    if (const int status = session.Open(); status != kExitSuccess) return status;
    ConsoleView& view = session.view();
    session.session().map().SelectIndex(*index);
    if (command->input) view.QueueInput(*command->input);
    session.session().controller().Run(command->menuCommand);
    // Nothing started: refused input (its message went to standard error)
    // or a question answered No.
    if (view.CommandControlsEnabled() && session.session().transaction().busy == 0) return kExitUsage;

    const CliSession::Stop stop = session.RunUntil([&] { return view.CommandControlsEnabled(); });
    session.Close();
    if (stop != CliSession::Stop::Condition) {
        std::fprintf(stderr, "tulex-cli: %s\n",
                     stop == CliSession::Stop::PortClosed ? "the port went away" : "interrupted");
        return kExitFailure;
    }
    return view.PrintOutcome();
}

}  // namespace tulex::cli
