#pragma once
// One run of a tulex-cli command against the port: the engine (LineSession) on a
// QueueDispatcher whose UI thread is the caller, with a ConsoleView as its
// screen, the settings and master mode taken from the global options, the
// monitor "window" open and every monitor line written where --monitor says.
//
// How a command uses it:
//
//   int RunCheck(const CliOptions& options) {
//       CliSession session(options);           // this thread becomes the UI thread
//       if (int status = session.Open(); status != kExitSuccess) return status;   // 2 or 3
//       session.session().map().SelectIndex(index);
//       session.session().controller().CheckPresence(); // the menu item's handler
//       session.RunUntil([&] { return session.view().CommandControlsEnabled(); });
//       session.Close();                        // "Закрыть" (also done by the destructor)
//       ... print session.view().LastBalloon() / BalloonJson(), return the status
//   }
//
// Dialog answers go into session.view().QueueInput(...) before the handler
// runs. RunUntil runs the queued UI work (what workers Send and the receive
// thread Posts) until the condition holds, the time passes, SIGINT or SIGTERM
// arrive (Ctrl+C on Windows), or the port is closed under the command (the
// device went away). The loop sleeps while nothing happens: whatever ends it
// queues work or wakes the dispatcher.
//
// The --monitor file is written through a buffer (cli/OutputBuffer.h): once
// the line goes quiet, at the latest 100 ms after a line came, when 64 KiB
// wait, and at every end: after Open, at Close and when the session goes.

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleView.h"
#include "cli/OutputBuffer.h"
#include "display/SaveFile.h"

namespace tulex::cli {

class CliSession {
public:
    enum class Stop { Condition, Time, Signal, PortClosed };

    explicit CliSession(const CliOptions& options);
    ~CliSession();  // closes the port ("Закрыть") and shuts the engine down
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // "Открыть" with the options' port and speed. kExitSuccess when the port
    // is open; kExitUsage without --port or when the --monitor file cannot be
    // created; kExitPort when the open or the configuration failed (the
    // port's message has gone to standard error).
    int Open();

    // Runs the UI loop until done() holds, `seconds` pass (none: no limit),
    // SIGINT/SIGTERM arrive, or the open port was closed under us.
    Stop RunUntil(const std::function<bool()>& done, std::optional<double> seconds = std::nullopt);

    // "Закрыть" if the port is open, then delivers what the receive thread
    // had already queued (its last pop-ups) and writes out the monitor file
    // and buffered output.
    void Close();

    // Standard output in large pieces from now on (listen): the view's
    // output is buffered and flushed with the monitor file.
    void BufferOutput();
    // Writes what waits for the monitor file and standard output (any
    // thread).
    void FlushOutput();

    // Called with every monitor line (Windows-1251, time stamp in front) as
    // it is added, on the thread that added it; listen prints through it.
    void SetMonitorObserver(std::function<void(std::string_view line)> observer);

    // True once SIGINT or SIGTERM (Ctrl+C) arrived during this session.
    bool Interrupted() const;
    // True once a line could not be written to the --monitor file (the
    // reason went to standard error; later lines are not tried).
    bool MonitorFailed() const;

    LineSession& session() { return *session_; }
    ConsoleView& view() { return *view_; }
    QueueDispatcher& dispatcher() { return *dispatcher_; }
    const CliOptions& options() const { return options_; }

private:
    void MonitorLine(std::string_view line);
    void MonitorFileFailed();

    CliOptions options_;
    std::unique_ptr<QueueDispatcher> dispatcher_;
    std::unique_ptr<ConsoleView> view_;
    std::unique_ptr<LineSession> session_;
    SaveFile monitorFile_;  // --monitor PATH
    OutputBuffer monitorBuffer_{[this](std::string_view bytes) { return monitorFile_.Write(bytes); }};
    std::unique_ptr<FlushTimer> flushTimer_;
    bool monitorToStderr_ = false;
    std::atomic<bool> monitorFailed_{false};
    std::function<void(std::string_view)> observer_;
    bool opened_ = false;
};

// True once any session of this process failed to write its --monitor file:
// the command's success status becomes a failure.
bool MonitorFileFailedInProcess();

}  // namespace tulex::cli
