// tulex-sim: a virtual access-control line on a pseudo-terminal.

#include "serial/PortList.h"
#include "sim/Scenario.h"
#include "sim/SimCommands.h"
#include "sim/SimEvents.h"
#include "sim/SimLine.h"
#include "sim/SimOptions.h"
#include "sim/SimPty.h"
#include "sim/SimRunner.h"
#include "sim/SimTrace.h"
#include "version/Version.h"

#include <sys/signalfd.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>

using namespace tulex;
using namespace tulex::sim;

namespace {

void ApplyOptions(const SimOptions& o, Scenario& s) {
    if (o.reply) s.line.reply = *o.reply;
    if (o.absentError) s.line.absentError = *o.absentError;
    if (o.echo) s.converter.echo = true;
    if (o.silent) s.line.silent = true;
    if (o.errorReply) s.line.errorReply = true;
    if (o.deviceError) s.line.deviceError = true;
    if (o.delayMs) s.line.delayMs = *o.delayMs;
    if (o.answerTimeoutMs) s.line.answerTimeoutMs = *o.answerTimeoutMs;
    if (o.converterVersion) s.converter.versionCode = *o.converterVersion;
    if (o.pollUpper) s.converter.pollUpper = *o.pollUpper;
    if (o.speedDigits) s.converter.speedDigits = *o.speedDigits;
    if (o.seed) s.seed = *o.seed;
    auto schedule = [&s](std::optional<int> ms, EventKind kind) {
        if (!ms || *ms == 0) return;
        ScheduleItem item;
        item.event.kind = kind;
        item.atMs = *ms;
        item.everyMs = *ms;
        item.jitterMs = *ms / 2;
        s.events.push_back(item);
    };
    schedule(o.cardIntervalMs, EventKind::Card);
    schedule(o.onlineIntervalMs, EventKind::Online);
    schedule(o.sensorIntervalMs, EventKind::Sensor);
}

// "unplug [MS]": how long the port stays away, or nothing for another command.
std::optional<int> ParseUnplug(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::string word;
    if (!(in >> word) || word != "unplug") return std::nullopt;
    int ms = 1000;
    if (std::string value; in >> value) {
        char* end = nullptr;
        const long parsed = std::strtol(value.c_str(), &end, 10);
        if (*end != '\0' || parsed < 0 || parsed > 600000) return -1;
        ms = static_cast<int>(parsed);
    }
    return ms;
}

// The port goes away as a pulled USB converter does and comes back under the
// same SIMn link behind a new terminal. The line (controllers, schedule)
// carries on meanwhile; nothing is read or written while it is away.
std::string Unplug(SimPty& pty, Announcement& announcement, int ms) {
    if (ms < 0) return "unplug: MS is a number of milliseconds (0..600000)";
    announcement.Withdraw();
    pty.Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    std::string error;
    if (!pty.Open(error) || !announcement.Repoint(pty.SlavePath(), error)) return "unplug: " + error;
    return "replugged " + announcement.ShortName() + " " + pty.SlavePath();
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseSimOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "tulex-sim: %s\nTry tulex-sim --help.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(SimHelpText().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("tulex-sim %s\n", kVersion);
        return 0;
    }

    std::optional<Scenario> scenario;
    if (!options->scenarioPath.empty())
        scenario = LoadScenario(options->scenarioPath, error);
    else if (options->controllers.empty())
        scenario = ParseScenario(DemoScenarioJson(), error);
    else
        scenario = Scenario{};
    if (!scenario) {
        std::fprintf(stderr, "tulex-sim: %s\n", error.c_str());
        return 2;
    }
    ApplyOptions(*options, *scenario);

    SimTrace trace;
    if (!options->tracePath.empty() && !trace.Open(options->tracePath)) {
        std::fprintf(stderr, "tulex-sim: --trace %s: %s\n", options->tracePath.c_str(), std::strerror(errno));
        return 2;
    }
    SimLine line(scenario->line, scenario->converter);
    line.SetTraceSink([&trace](const TraceEntry& e) { trace.Add(e); });
    SimEvents events(line, scenario->seed);
    const SimTime start = SimClock::now();
    if (!ApplyScenario(*scenario, line, events, start, error)) {
        std::fprintf(stderr, "tulex-sim: %s\n", error.c_str());
        return 2;
    }
    for (const auto index : options->controllers) {
        if (!line.AddController(index)) {
            std::fprintf(stderr, "tulex-sim: --controllers: index %s is already in the scenario\n",
                         IndexText(index).c_str());
            return 2;
        }
    }
    for (SimController* c : line.Controllers()) {
        if (options->eepromDelayMs) c->Behaviour().eepromDelayMs = *options->eepromDelayMs;
        if (options->eepromFail) c->Behaviour().eepromFail = true;
    }

    // Signals arrive through a descriptor in the poll loop.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);  // the terminal it ran in went away
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    std::signal(SIGPIPE, SIG_IGN);

    SimPty pty;
    if (!pty.Open(error)) {
        std::fprintf(stderr, "tulex-sim: %s\n", error.c_str());
        return 1;
    }
    Announcement announcement;
    if (!announcement.Announce(pty.SlavePath(), SimulatorDirectory(), error)) {
        std::fprintf(stderr, "tulex-sim: %s\n", error.c_str());
        return 1;
    }
    // The port accepts a connection from here on: say where it is.
    std::printf("%s %s\n", announcement.ShortName().c_str(), pty.SlavePath().c_str());
    std::fflush(stdout);

    SimRunner runner(line, events, pty);
    if (signalFd >= 0) runner.AddStopFd(signalFd);
    SimCommands commands(line, events, &trace);
    if (!options->noStdin) {
        runner.SetCommandInput(STDIN_FILENO, [&](std::string_view text) {
            if (const auto unplug = ParseUnplug(text)) {
                const std::string reply = Unplug(pty, announcement, *unplug);
                std::printf("%s\n", reply.c_str());
                std::fflush(stdout);
                return true;
            }
            bool quit = false;
            const std::string reply = commands.Execute(text, SimClock::now(), quit);
            if (!reply.empty()) {
                std::fputs(reply.c_str(), stdout);
                if (reply.back() != '\n') std::fputc('\n', stdout);
                std::fflush(stdout);
            }
            return !quit;
        });
    }
    runner.Run();

    announcement.Remove();
    if (runner.BytesDropped() > 0)
        std::fprintf(stderr, "tulex-sim: %llu bytes dropped because nobody read the line\n",
                     static_cast<unsigned long long>(runner.BytesDropped()));
    if (signalFd >= 0) ::close(signalFd);
    return 0;
}
