// tulex-cli listen: opens the port and shows the line until the time passes,
// SIGINT/SIGTERM (Ctrl+C on Windows) arrive ("Закрыть") or the port goes
// away: every monitor line as it is added, and each card and sensor pop-up
// as a block (or, with --json, one object per line). With --stats the
// per-controller statistics follow at the end; `stats` prints only them.
// With --reconnect a lost port is waited for and reopened (the same adapter,
// by its /dev/serial/by-id name), and the listen goes on.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "controller/StatisticsText.h"
#include "line/Cp1251.h"

namespace tulex::cli {
namespace {

// Takes a flag out of args; true when it was there.
bool TakeFlag(std::vector<std::string>& args, const std::string& flag) {
    const auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
        lines.push_back(text.substr(from, end - from));
    return lines;
}

// How often a lost port is looked for.
constexpr double kReturnCheckSeconds = 0.2;

// Runs until the time, a signal or the monitor file's failure; a lost port
// is waited for and reopened when `reconnect` says so. The stop that ended it.
CliSession::Stop Listen(CliSession& session, std::optional<double> seconds, bool reconnect) {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    const auto left = [&]() -> std::optional<double> {
        if (!seconds) return std::nullopt;
        return std::max(0.0, *seconds - duration<double>(steady_clock::now() - start).count());
    };
    for (;;) {
        const CliSession::Stop stop = session.RunUntil([&session] { return session.MonitorFailed(); }, left());
        if (stop != CliSession::Stop::PortClosed || !reconnect) return stop;
        // The device went away: wait for it, then take it up again.
        LineSession& line = session.session();
        std::fprintf(stderr, "tulex-cli: waiting for %s to return\n", line.LostPortName().c_str());
        for (;;) {
            const std::optional<double> remaining = left();
            const double slice = remaining ? std::min(*remaining, kReturnCheckSeconds) : kReturnCheckSeconds;
            // RunUntil ends at once while the port is closed, so the wait
            // runs the UI queue itself.
            session.dispatcher().RunFor(duration_cast<milliseconds>(duration<double>(slice)));
            if (session.Interrupted()) return CliSession::Stop::Signal;
            if (remaining && *remaining <= slice) return CliSession::Stop::Time;
            if (line.LostPortPresent() && line.ReopenLostPort() == PortError::None) break;
        }
    }
}

}  // namespace

int RunListen(const CliOptions& options) {
    std::vector<std::string> args = options.args;
    const std::string& name = options.command;
    const bool statsOnly = name == "stats";
    const bool stats = TakeFlag(args, "--stats") || statsOnly;
    const bool reconnect = TakeFlag(args, "--reconnect");
    std::optional<double> seconds;
    std::string error;
    if (!TakeSecondsOption(args, seconds, error)) {
        std::fprintf(stderr, "tulex-cli: %s: %s\n", name.c_str(), error.c_str());
        return kExitUsage;
    }
    if (!args.empty()) {
        std::fprintf(stderr, "tulex-cli: %s: unexpected argument \"%s\"\nTry 'tulex-cli --help'.\n", name.c_str(),
                     args.front().c_str());
        return kExitUsage;
    }

    CliSession session(options);
    ConsoleView& view = session.view();
    view.SetLive(!statsOnly);
    const bool json = options.json;
    if (!statsOnly) {
        session.SetMonitorObserver([&view, json](std::string_view line) {
            const std::string text = Cp1251ToUtf8(line);
            if (json)
                view.PrintJson("{\"event\": \"monitor\", \"line\": " + JsonQuote(text) + "}");
            else
                view.PrintLine(text);
        });
    }
    if (const int status = session.Open(); status != kExitSuccess) return status;

    // A monitor file that can no longer be written ends the listen: what it
    // was run for is being lost.
    const CliSession::Stop stop = Listen(session, seconds, reconnect);
    session.Close();
    if (stats) {
        LineStatistics& statistics = session.session().statistics();
        const auto figures = statistics.Snapshot();
        if (json)
            view.PrintJson(StatisticsJson(figures, statistics.clock()));
        else
            for (const std::string& line : SplitLines(StatisticsTable(figures, statistics.clock())))
                view.PrintLine(line);
    }
    // The port taken away under us (device gone) is not a normal end.
    return stop == CliSession::Stop::PortClosed || session.MonitorFailed() ? kExitFailure : kExitSuccess;
}

}  // namespace tulex::cli
