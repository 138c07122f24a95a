// tulex-cli eeprom-test, line-test, relay-test, raw and search: the same
// handlers as the menu items and the search button. The tests and the search
// that run until stopped take "--seconds N" and SIGINT/SIGTERM as
// "Остановить".

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "cli/IndexArgument.h"
#include "controller/IndexInput.h"
#include "controller/LineMap.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex::cli {

namespace {

using namespace std::chrono_literals;

// How long a test may take to end after "Остановить" before the CLI gives up
// on it and closes the window instead (a stop is not noticed while the
// controller's buffer is being cleared).
constexpr auto kStopGrace = 10s;

int Usage(const std::string& command, const std::string& error) {
    std::fprintf(stderr, "tulex-cli: %s: %s\nTry 'tulex-cli --help'.\n", command.c_str(), error.c_str());
    return kExitUsage;
}

bool Done(CliSession& session) { return session.view().CommandControlsEnabled(); }

// Waits for the running command to end. A stoppable command is stopped
// ("Остановить") when the time passes or SIGINT/SIGTERM arrive; any other
// command is abandoned on a signal (the window is closed under it).
// Returns false when the command did not end normally.
bool WaitForCommand(CliSession& session, std::optional<double> seconds, bool stoppable) {
    const CliSession::Stop stop = session.RunUntil([&] { return Done(session); }, seconds);
    if (stop == CliSession::Stop::Condition) return true;
    if (stop == CliSession::Stop::PortClosed) {
        std::fprintf(stderr, "tulex-cli: the port went away\n");
        return false;
    }
    if (!stoppable) {
        std::fprintf(stderr, "tulex-cli: interrupted\n");
        return false;
    }
    session.session().StopCommand();
    if (session.dispatcher().RunUntil([&] { return Done(session); }, kStopGrace)) return true;
    std::fprintf(stderr, "tulex-cli: the command did not stop\n");
    return false;
}

struct Parsed {
    std::uint8_t index = 0;
    std::optional<double> seconds;
    std::vector<std::string> rest;  // arguments after IDX
};

// IDX and the given number of further arguments, optionally --seconds N.
std::optional<Parsed> ParseArguments(const CliOptions& options, std::size_t extra, bool takesSeconds, int& status) {
    std::vector<std::string> args = options.args;
    Parsed parsed;
    std::string error;
    if (takesSeconds && !TakeSecondsOption(args, parsed.seconds, error)) {
        status = Usage(options.command, error);
        return std::nullopt;
    }
    if (args.size() != 1 + extra) {
        status = Usage(options.command, args.size() < 1 + extra ? "missing argument" : "too many arguments");
        return std::nullopt;
    }
    const auto index = ParseIndexArgument(args[0]);
    if (!index) {
        status = kExitUsage;
        return std::nullopt;
    }
    parsed.index = *index;
    parsed.rest.assign(args.begin() + 1, args.end());
    return parsed;
}

// Opens the port, selects the index, runs the handler and waits for the
// command; prints its outcome.
template <typename Handler>
int RunControllerCommand(const CliOptions& options, const Parsed& parsed, bool stoppable, Handler handler,
                         const std::optional<std::string>& input = std::nullopt) {
    CliSession session(options);
    if (const int status = session.Open(); status != kExitSuccess) return status;
    session.session().map().SelectIndex(parsed.index);
    if (input) session.view().QueueInput(*input);
    handler(session.session().controller());
    // The controls stay enabled when the handler started nothing: a question
    // answered No or refused input (its message has gone to standard error).
    if (Done(session)) {
        if (session.view().Messages().empty())
            std::fprintf(stderr, "tulex-cli: %s: not started (the question was answered No; --yes answers Yes)\n",
                         options.command.c_str());
        return kExitUsage;
    }
    if (!WaitForCommand(session, parsed.seconds, stoppable)) return kExitFailure;
    session.Close();
    return session.view().PrintOutcome();
}

int RunEepromTest(const CliOptions& options) {
    int status = kExitUsage;
    const auto parsed = ParseArguments(options, 0, false, status);
    if (!parsed) return status;
    return RunControllerCommand(options, *parsed, false, [](ControllerCommands& c) { c.TestMemory(); });
}

int RunLineTest(const CliOptions& options) {
    int status = kExitUsage;
    const auto parsed = ParseArguments(options, 0, true, status);
    if (!parsed) return status;
    return RunControllerCommand(options, *parsed, true, [](ControllerCommands& c) { c.TestLine(); });
}

int RunRelayTest(const CliOptions& options) {
    int status = kExitUsage;
    const auto parsed = ParseArguments(options, 1, true, status);
    if (!parsed) return status;
    const std::string& relay = parsed->rest[0];
    if (relay != "1" && relay != "2" && relay != "3" && relay != "4")
        return Usage(options.command, "relay must be 1, 2, 3 or 4, not \"" + relay + "\"");
    return RunControllerCommand(options, *parsed, true,
                                [&relay](ControllerCommands& c) { c.TestRelay(relay[0] - '0'); });
}

int RunRaw(const CliOptions& options) {
    int status = kExitUsage;
    const auto parsed = ParseArguments(options, 1, false, status);
    if (!parsed) return status;
    return RunControllerCommand(
        options, *parsed, false, [](ControllerCommands& c) { c.RunRawCommand(); }, parsed->rest[0]);
}

std::vector<std::uint8_t> SetMembers(const LineMap& map, MapSet set) {
    std::vector<std::uint8_t> out;
    for (const std::uint8_t index : LineMap::IndexTable())
        if (map.HasIndex(index, set)) out.push_back(index);
    return out;
}

void PrintSets(ConsoleView& view, const std::vector<std::uint8_t>& present, const std::vector<std::uint8_t>& replyOnly,
               const std::optional<SearchSummary>& summary) {
    const auto list = [&](const std::vector<std::uint8_t>& set, bool json) {
        std::string out;
        for (const std::uint8_t index : set) {
            if (!out.empty()) out += json ? ", " : " ";
            out += json ? JsonQuote(IndexText(index)) : IndexText(index);
        }
        return out;
    };
    const std::size_t total = LineMap::IndexTable().size();
    if (view.json()) {
        std::string object =
            "{\"present\": [" + list(present, true) + "], \"reply_only\": [" + list(replyOnly, true) + "]";
        if (summary) {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(summary->duration.count()) / 1000.0);
            object += ", \"probed\": " + std::to_string(summary->probed) + ", \"seconds\": " + seconds;
        }
        view.PrintJson(object + "}");
    } else {
        view.PrintLine("present (" + std::to_string(present.size()) + "): " + list(present, false));
        view.PrintLine("reply-only (" + std::to_string(replyOnly.size()) + "): " + list(replyOnly, false));
        if (summary) view.PrintLine(SearchSummaryLine(*summary, total));
    }
}

int RunSearch(const CliOptions& options) {
    std::vector<std::string> args = options.args;
    std::optional<double> seconds;
    std::string error;
    if (!TakeSecondsOption(args, seconds, error)) return Usage(options.command, error);
    if (!args.empty()) return Usage(options.command, "unexpected argument \"" + args.front() + "\"");
    CliSession session(options);
    if (const int status = session.Open(); status != kExitSuccess) return status;
    session.session().controller().SearchControllers();
    if (Done(session)) return kExitUsage;
    if (!WaitForCommand(session, seconds, true)) return kExitFailure;
    session.Close();
    PrintSets(session.view(), SetMembers(session.session().map(), MapSet::Present),
              SetMembers(session.session().map(), MapSet::ReplyOnly), session.session().controller().LastSearch());
    return kExitSuccess;
}

}  // namespace

bool IsDiagnosticCommand(const std::string& command) {
    return command == "eeprom-test" || command == "line-test" || command == "relay-test" || command == "raw" ||
           command == "search";
}

int RunDiagnosticCommand(const CliOptions& options) {
    const std::string& c = options.command;
    if (c == "eeprom-test") return RunEepromTest(options);
    if (c == "line-test") return RunLineTest(options);
    if (c == "relay-test") return RunRelayTest(options);
    if (c == "raw") return RunRaw(options);
    if (c == "search") return RunSearch(options);
    return Usage(c, "not a diagnostic command");
}

}  // namespace tulex::cli
