// tulex-cli listen: opens the port and shows the line until the time passes,
// SIGINT/SIGTERM (Ctrl+C on Windows) arrive ("Закрыть") or the port goes
// away: every monitor line as it is added, and each card and sensor pop-up
// as a block (or, with --json, one object per line).

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "line/Cp1251.h"

namespace tulex::cli {

int RunListen(const CliOptions& options) {
    std::vector<std::string> args = options.args;
    std::optional<double> seconds;
    std::string error;
    if (!TakeSecondsOption(args, seconds, error)) {
        std::fprintf(stderr, "tulex-cli: listen: %s\n", error.c_str());
        return kExitUsage;
    }
    if (!args.empty()) {
        std::fprintf(stderr, "tulex-cli: listen: unexpected argument \"%s\"\nTry 'tulex-cli --help'.\n",
                     args.front().c_str());
        return kExitUsage;
    }

    CliSession session(options);
    ConsoleView& view = session.view();
    view.SetLive(true);
    const bool json = options.json;
    session.SetMonitorObserver([&view, json](std::string_view line) {
        const std::string text = Cp1251ToUtf8(line);
        if (json)
            view.PrintJson("{\"event\": \"monitor\", \"line\": " + JsonQuote(text) + "}");
        else
            view.PrintLine(text);
    });
    if (const int status = session.Open(); status != kExitSuccess) return status;

    // A monitor file that can no longer be written ends the listen: what it
    // was run for is being lost.
    const CliSession::Stop stop = session.RunUntil([&session] { return session.MonitorFailed(); }, seconds);
    session.Close();
    // The port taken away under us (device gone) is not a normal end.
    return stop == CliSession::Stop::PortClosed || session.MonitorFailed() ? kExitFailure : kExitSuccess;
}

}  // namespace tulex::cli
