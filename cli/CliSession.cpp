#include "cli/CliSession.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

#include "line/Cp1251.h"

namespace tulex::cli {
namespace {

// Set by SIGINT/SIGTERM; the UI loop re-checks it at least every 100 ms.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int) { g_stopSignal = 1; }

// Set once a write to the --monitor file failed in this process.
std::atomic<bool> g_monitorFileFailed{false};

struct SignalHandlers {
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    SignalHandlers() {
        struct sigaction sa {};
        sa.sa_handler = OnStopSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &oldInt);
        sigaction(SIGTERM, &sa, &oldTerm);
    }
    ~SignalHandlers() {
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
    }
};

// One set of handlers for the life of the process's sessions.
SignalHandlers& InstallSignalHandlers() {
    static SignalHandlers handlers;
    return handlers;
}

}  // namespace

CliSession::CliSession(const CliOptions& options) : options_(options) {
    InstallSignalHandlers();
    g_stopSignal = 0;
    dispatcher_ = std::make_unique<QueueDispatcher>();
    view_ = std::make_unique<ConsoleView>(options_.json, options_.yes);
    session_ = std::make_unique<LineSession>(*view_, *dispatcher_);
    session_->settings().readers = options_.readers;
    session_->settings().sensors = options_.sensors;
    session_->settings().onlineAnswer = options_.onlineAnswer;
    session_->settings().sensorAnswer = options_.sensorAnswer;
    session_->settings().masterMode = options_.master;
    // The CLI always has its monitor "window": every line reaches the sink,
    // and none is kept (nothing reads them back).
    session_->monitor().SetWindowExists(true);
    session_->monitor().SetKeepLines(false);
    session_->monitor().SetLineSink([this](std::string_view line) { MonitorLine(line); });
}

CliSession::~CliSession() {
    Close();
    session_.reset();  // Shutdown, waits for the receive thread and workers
    dispatcher_.reset();
    if (monitorFile_ && std::fclose(monitorFile_) != 0 && !monitorFailed_) MonitorFileFailed(errno);
}

void CliSession::MonitorFileFailed(int error) {
    monitorFailed_ = true;
    g_monitorFileFailed = true;
    std::fprintf(stderr, "tulex-cli: the monitor could not be written to \"%s\": %s; lines are missing from it\n",
                 TerminalSafe(options_.monitorPath).c_str(), std::strerror(error));
}

void CliSession::MonitorLine(std::string_view line) {
    // Runs with the monitor's lock held, on the thread that added the line.
    if (monitorFile_) {
        if (!monitorFailed_) {
            std::string record(line);
            record += "\r\n";
            // Line buffered: the line reaches the file in this call, and a
            // full disk or a failed device shows here.
            if (std::fwrite(record.data(), 1, record.size(), monitorFile_) != record.size() ||
                std::ferror(monitorFile_))
                MonitorFileFailed(errno);
        }
    } else if (monitorToStderr_) {
        const std::string text = TerminalSafe(Cp1251ToUtf8(line)) + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
    if (observer_) observer_(line);
}

void CliSession::SetMonitorObserver(std::function<void(std::string_view line)> observer) {
    // Swapped under the monitor's lock, so no line sees half a change.
    session_->monitor().SetLineSink(nullptr);
    observer_ = std::move(observer);
    session_->monitor().SetLineSink([this](std::string_view line) { MonitorLine(line); });
}

int CliSession::Open() {
    if (options_.port.empty()) {
        std::fprintf(stderr, "tulex-cli: option --port is required\nTry 'tulex-cli --help'.\n");
        return kExitUsage;
    }
    if (!options_.monitorPath.empty() && !monitorFile_ && !monitorToStderr_) {
        if (options_.monitorPath == "-") {
            monitorToStderr_ = true;
        } else {
            std::FILE* file = std::fopen(options_.monitorPath.c_str(), "wb");
            if (!file) {
                std::fprintf(stderr, "tulex-cli: cannot write the monitor to \"%s\": %s\n",
                             options_.monitorPath.c_str(), std::strerror(errno));
                return kExitUsage;
            }
            std::setvbuf(file, nullptr, _IOLBF, 0);  // each line reaches the file as it comes
            session_->monitor().SetLineSink(nullptr);
            monitorFile_ = file;
            session_->monitor().SetLineSink([this](std::string_view line) { MonitorLine(line); });
        }
    }
    if (session_->OpenPort(options_.port, options_.speed) == PortError::Refused) {
        // The window stays silent here; a script needs the reason.
        std::fprintf(stderr, "tulex-cli: the port \"%s\" refused the settings (speed %s bit/s)\n",
                     TerminalSafe(options_.port).c_str(), TerminalSafe(options_.speed).c_str());
    }
    if (!session_->IsPortOpen()) return kExitPort;
    opened_ = true;
    return kExitSuccess;
}

CliSession::Stop CliSession::RunUntil(const std::function<bool()>& done, std::optional<double> seconds) {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    // No limit, or a very long one, is capped at years (no clock overflow).
    constexpr double kLongest = 1e8;
    const auto limit = duration_cast<milliseconds>(duration<double>(seconds ? std::min(*seconds, kLongest) : kLongest));
    Stop stop = Stop::Time;
    dispatcher_->RunUntil(
        [&] {
            // A closed port ends a running command at once, so its end and the
            // close come together: the close is the reason.
            if (g_stopSignal) return stop = Stop::Signal, true;
            if (opened_ && !session_->IsPortOpen()) return stop = Stop::PortClosed, true;
            if (done && done()) return stop = Stop::Condition, true;
            if (steady_clock::now() - start >= limit) return stop = Stop::Time, true;
            return false;
        },
        limit);
    return stop;
}

void CliSession::Close() {
    if (!session_) return;
    session_->ClosePort();
    dispatcher_->ProcessPending();
}

bool CliSession::Interrupted() const { return g_stopSignal != 0; }

bool CliSession::MonitorFailed() const { return monitorFailed_; }

bool MonitorFileFailedInProcess() { return g_monitorFileFailed; }

}  // namespace tulex::cli
