#include "cli/Program.h"

#include <cstdio>
#include <string>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "serial/PortList.h"
#include "version/Version.h"

namespace tulex::cli {

int RunListen(const CliOptions& options);              // cli/ListenCommand.cpp
int RunConverter(const CliOptions& options);           // cli/ConverterCommandsCli.cpp
bool IsDiagnosticCommand(const std::string& command);  // cli/DiagnosticCommandsCli.cpp
int RunDiagnosticCommand(const CliOptions& options);
bool IsControllerCommand(const std::string& command);  // cli/ControllerCommandsCli.cpp
int RunControllerCommand(const CliOptions& options);
int RunPlanCommand(const CliOptions& options);  // cli/PlanCommandCli.cpp

namespace {

// One port per line: its name, and a tab and what the system calls the
// device where it says (Windows: "COM5\tUSB-SERIAL CH340 (COM5)"); a port
// the user may not open carries "  (нет прав)" after it, so the first field
// of each line is still the name.
int RunPorts(const CliOptions&) {
    for (const auto& port : ListPortEntries()) {
        std::string line = port.name;
        if (!port.description.empty()) line += "\t" + port.description;
        if (PortAccessDenied(port.name)) line += "  (нет прав)";
        std::printf("%s\n", line.c_str());
    }
    return kExitSuccess;
}

int RunCommand(const CliOptions& options) {
    if (options.command == "ports") return RunPorts(options);
    if (options.command == "listen" || options.command == "stats") return RunListen(options);
    if (options.command == "converter") return RunConverter(options);
    if (IsDiagnosticCommand(options.command)) return RunDiagnosticCommand(options);
    if (IsControllerCommand(options.command)) return RunControllerCommand(options);
    if (options.command == "plan") return RunPlanCommand(options);
    std::fprintf(stderr, "tulex-cli: unknown command \"%s\"\nTry 'tulex-cli --help'.\n", options.command.c_str());
    return kExitUsage;
}

}  // namespace

int RunProgram(int argc, char** argv) {
    std::string error;
    const auto options = ParseCliOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "tulex-cli: %s\nTry 'tulex-cli --help'.\n", error.c_str());
        return kExitUsage;
    }
    if (options->help) {
        PrintUsage();
        return kExitSuccess;
    }
    if (options->version) {
        std::printf("tulex-cli %s\n", kVersion);
        return kExitSuccess;
    }
    if (options->command.empty()) {
        PrintUsage();
        return kExitUsage;
    }
    const int status = RunCommand(*options);
    // A command that went well but whose monitor file lost lines failed.
    return status == kExitSuccess && MonitorFileFailedInProcess() ? kExitFailure : status;
}

}  // namespace tulex::cli
