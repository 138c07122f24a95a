#pragma once
// The engine with a recording view on an in-memory line with the test's
// controllers, on a manual clock; the port open, the monitor on and G
// selected on the map. The command, diagnostics and search tests share it.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "line/HexDigits.h"
#include "tests/support/LineControllers.h"
#include "tests/support/LineFrames.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/VirtualLine.h"

namespace tulex::test {

using namespace std::chrono_literals;

class CommandFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ControllerCommands& commands() { return session->controller(); }
    // Runs the UI loop, and the clock whenever the engine waits for time
    // alone, until the command's worker has ended.
    bool RunUntilDone(std::chrono::milliseconds within = 30s);
    // The same until pred holds.
    bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds within = 30s);
    // The same until pred holds while the engine waits for time alone, so
    // that the test acts at a known point of a worker's wait (the clock then
    // stands where the engine left it).
    bool RunUntilWaiting(const std::function<bool()>& pred, std::chrono::milliseconds within = 30s);
    // "Остановить", then the UI loop without moving the clock until the
    // running command has taken the stop (at once when it does not wait for
    // one): a test sees what the stop did at the instant it was pressed.
    void Stop();
    // Moves the clock past everything the line still has to send (answers
    // that were not due when a command ended) and waits until the receive
    // thread has routed it, with no command running: the next case of a
    // table starts on a quiet line.
    void DrainLine();

    // Monitor lines in UTF-8 without their time stamp.
    std::vector<std::string> Monitor() const;
    // The monitor line of a frame sent to index with a description.
    std::string Sent(std::uint8_t index, const std::string& description) const;
    // The monitor line of a received frame shown as text.
    std::string Received(const std::string& text) const;
    // The monitor lines after the port's opening line, split into those of
    // sent frames and the others. A short frame is logged after it is
    // written, so its answer may be logged before it: each kind keeps its
    // own order, the two may interleave.
    struct SplitMonitor {
        std::vector<std::string> sent;
        std::vector<std::string> other;
    };
    SplitMonitor MonitorSplit() const;
    // Monitor lines that show sent frames, reduced to "index   —   description".
    std::vector<std::string> SentDescriptions() const;
    // The last balloon shown.
    RecordingView::Call LastBalloon() const;
    // The texts the worker put into the balloon while it ran, in order.
    std::vector<std::string> BalloonTexts() const;
    // How often a monitor line appears.
    std::size_t MonitorCount(const std::string& line) const;
    // Request command texts seen on the line, in order.
    std::vector<std::string> RequestCommands() const;
    // The request frames of one command text, in order.
    std::vector<LineFrame> RequestsOf(const std::string& command) const;

    // The session goes first, then the line and the clock it uses.
    ManualClock clock;
    VirtualLine line{clock};
    LineControllers controllers{line};
    // The line's reader and the monitor change what the tests wait for without
    // queuing anything: their conditions are looked at every 100 ms too.
    QueueDispatcher dispatcher{std::chrono::milliseconds(100)};
    RecordingView view;
    std::unique_ptr<LineSession> session;
};

std::string IndexUtf8(std::uint8_t index);
// A sent frame's monitor line as SentDescriptions() gives it.
inline std::string Described(std::uint8_t index, const std::string& description) {
    return IndexUtf8(index) + "   —   " + description;
}

}  // namespace tulex::test
