// tulex-cli converter info | poll-range TEXT | raw TEXT: the converter button's
// menu items ("Читать параметры", "Изменить диапазон опроса", "Выполнить
// команду") run by the same handlers as in the window, the dialog answered
// from the argument. Prints the text of each message box the command shows
// (or, with --json, one object with the state, the message boxes and the
// report). Refused input goes to standard error, as the window's warning.

#include <cstdio>
#include <string>
#include <vector>

#include "app/ConverterCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSession.h"

namespace tulex::cli {
namespace {

int Usage(const char* problem) {
    std::fprintf(stderr,
                 "tulex-cli: converter: %s\n"
                 "Usage: tulex-cli [OPTIONS] converter info | poll-range TEXT | raw TEXT\n",
                 problem);
    return kExitUsage;
}

const char* StateName(ConverterCommands::Outcome outcome) {
    switch (outcome) {
    case ConverterCommands::Outcome::Report: return "report";
    case ConverterCommands::Outcome::Done: return "success";
    default: return "failure";
    }
}

}  // namespace

int RunConverter(const CliOptions& options) {
    const std::vector<std::string>& args = options.args;
    if (args.empty()) return Usage("missing subcommand");
    const std::string& what = args[0];
    if (what == "info") {
        if (args.size() != 1) return Usage("info takes no argument");
    } else if (what == "poll-range" || what == "raw") {
        // The text may be empty (an empty raw command is sent as such).
        if (args.size() != 2) return Usage((what + " takes exactly one TEXT").c_str());
    } else {
        return Usage(("unknown subcommand \"" + what + "\"").c_str());
    }

    CliSession session(options);
    if (const int status = session.Open(); status != kExitSuccess) return status;
    ConsoleView& view = session.view();
    ConverterCommands& converter = session.session().converter();

    // The converter button first: it refuses with the port closed.
    if (!converter.OpenConverterMenu()) return kExitPort;
    if (what != "info") view.QueueInput(args[1]);
    // Until a worker runs, message boxes are refusals and go to standard
    // error (the view's default); the worker's outcomes are the output.
    const bool started = what == "info"         ? converter.ReadConverterParameters()
                         : what == "poll-range" ? converter.ChangePollRange()
                                                : converter.RunConverterCommand();
    if (!started) return kExitUsage;

    std::vector<ConsoleView::Message> shown;
    const bool json = options.json;
    view.SetMessageSink([&view, &shown, json](const ConsoleView::Message& message) {
        shown.push_back(message);
        if (!json) view.PrintLine(message.text);
    });
    const CliSession::Stop stop = session.RunUntil([&] { return view.CommandControlsEnabled(); });
    session.Close();

    const ConverterCommands::Result result =
        stop == CliSession::Stop::Condition ? converter.LastResult() : ConverterCommands::Result{};
    if (json) {
        std::string object = "{\"state\": \"" + std::string(StateName(result.outcome)) + "\", \"messages\": [";
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (i) object += ", ";
            object += "{\"caption\": " + JsonQuote(shown[i].caption) + ", \"text\": " + JsonQuote(shown[i].text) + "}";
        }
        object += "], \"report\": " + JsonQuote(result.report) + "}";
        view.PrintJson(object);
    }
    const bool succeeded =
        result.outcome == ConverterCommands::Outcome::Report || result.outcome == ConverterCommands::Outcome::Done;
    return succeeded ? kExitSuccess : kExitFailure;
}

}  // namespace tulex::cli
