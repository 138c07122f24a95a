#pragma once
// The commands typed on standard input while the line runs: inject events
// and faults, change a controller, list the line, show the trace and the
// automatic answers.

#include "sim/SimEvents.h"
#include "sim/SimLine.h"
#include "sim/SimTrace.h"

#include <string>
#include <string_view>

namespace tulex::sim {

// The stdin command list, as --help prints it.
std::string_view CommandHelp();

class SimCommands {
public:
    SimCommands(SimLine& line, SimEvents& events, const SimTrace* trace);

    // Runs one command line at `now`. Returns the text to print (may be
    // empty); sets `quit` on "quit".
    std::string Execute(std::string_view commandLine, SimTime now, bool& quit);

    // The controller listing ("list").
    std::string List();
    // The automatic answers so far ("answers").
    std::string AnswersReport();

private:
    std::string Set(const std::vector<std::string>& words);

    SimLine& line_;
    SimEvents& events_;
    const SimTrace* trace_;
};

}  // namespace tulex::sim
