#include "cli/CliSession.h"

#include <algorithm>
#include <chrono>

#include "cli/Console.h"
#include "cli/StopRequest.h"
#include "line/Cp1251.h"

namespace tulex::cli {
namespace {

// Set once a write to the --monitor file failed in this process.
std::atomic<bool> g_monitorFileFailed{false};

}  // namespace

CliSession::CliSession(const CliOptions& options) : options_(options) {
    InstallStopHandlers();
    ClearStopRequest();
    dispatcher_ = std::make_unique<QueueDispatcher>();  // no rechecks: it sleeps until work or a wake
    flushTimer_ = std::make_unique<FlushTimer>([this] { FlushOutput(); });
    monitorBuffer_.SetOnAppend([timer = flushTimer_.get()] { timer->Appended(); });
    SetStopWaker([dispatcher = dispatcher_.get()] { dispatcher->Wake(); });
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
    // Every card and sensor event is printed as it comes; none is kept.
    session_->events().SetKeepEvents(false);
    // listen --json reports every change of the counters.
    session_->SetEveryCountShown(true);
    session_->monitor().SetLineSink([this](std::string_view line) { MonitorLine(line); });
}

CliSession::~CliSession() {
    Close();
    session_.reset();  // Shutdown, waits for the receive thread and workers
    flushTimer_.reset();
    FlushOutput();  // what the last threads added
    SetStopWaker(nullptr);
    dispatcher_.reset();
    if (monitorFile_.IsOpen() && !monitorFile_.Close()) MonitorFileFailed();
}

void CliSession::MonitorFileFailed() {
    if (monitorFailed_.exchange(true)) return;  // told once
    g_monitorFileFailed = true;
    std::fprintf(stderr,
                 "tulex-cli: the monitor could not be written to \"%s\" (a full disk?); lines are missing from it\n",
                 TerminalSafe(options_.monitorPath).c_str());
    // A loop waiting for the failure (listen) looks again.
    if (dispatcher_) dispatcher_->Wake();
}

void CliSession::FlushOutput() {
    if (!monitorBuffer_.Flush()) MonitorFileFailed();
    if (view_) view_->Flush();
}

void CliSession::BufferOutput() {
    view_->SetBuffered([timer = flushTimer_.get()] { timer->Appended(); });
}

void CliSession::MonitorLine(std::string_view line) {
    // Runs with the monitor's lock held, on the thread that added the line.
    if (monitorFile_.IsOpen()) {
        // Into the buffer; a full disk or a failed device shows when it is
        // written (here once 64 KiB wait, else on the flush timer's thread).
        if (!monitorFailed_ && !monitorBuffer_.AppendWith([line](std::string& out) {
                out.append(line);
                out.append("\r\n");
            }))
            MonitorFileFailed();
    } else if (monitorToStderr_) {
        WriteText(stderr, TerminalSafe(Cp1251ToUtf8(line)) + "\n");
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
    if (!options_.monitorPath.empty() && !monitorFile_.IsOpen() && !monitorToStderr_) {
        if (options_.monitorPath == "-") {
            monitorToStderr_ = true;
        } else {
            // Swapped in under the monitor's lock, so no line sees half a change.
            session_->monitor().SetLineSink(nullptr);
            const SaveFile::OpenError error = monitorFile_.Create(options_.monitorPath);
            session_->monitor().SetLineSink([this](std::string_view line) { MonitorLine(line); });
            if (error != SaveFile::OpenError::None) {
                std::fprintf(stderr, "tulex-cli: cannot write the monitor to \"%s\": %s\n",
                             options_.monitorPath.c_str(),
                             error == SaveFile::OpenError::ReadOnly ? "no permission to write there"
                                                                    : "no such folder, or not a valid file name");
                return kExitUsage;
            }
        }
    }
    if (session_->OpenPort(options_.port, options_.speed) == PortError::Refused) {
        // The window stays silent here; a script needs the reason.
        std::fprintf(stderr, "tulex-cli: the port \"%s\" refused the settings (speed %s bit/s)\n",
                     TerminalSafe(options_.port).c_str(), TerminalSafe(options_.speed).c_str());
    }
    if (!session_->IsPortOpen()) return kExitPort;
    opened_ = true;
    FlushOutput();  // the opening line is in the file at once (and a full disk told)
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
            if (StopRequested()) return stop = Stop::Signal, true;
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
    FlushOutput();
}

bool CliSession::Interrupted() const { return StopRequested(); }

bool CliSession::MonitorFailed() const { return monitorFailed_; }

bool MonitorFileFailedInProcess() { return g_monitorFileFailed; }

}  // namespace tulex::cli
