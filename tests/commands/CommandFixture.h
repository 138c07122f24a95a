#pragma once
// The engine with a recording view on one side of a pseudo-terminal and the
// test's controllers on the other, the port open and the monitor on.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "app/Timing.h"
#include "tests/commands/ControllerLine.h"
#include "tests/commands/FakeControllers.h"
#include "tests/support/Pty.h"
#include "tests/support/RecordingView.h"
#include "tests/support/TimeDivisor.h"

namespace tulex::test {

using namespace std::chrono_literals;

class CommandFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ControllerCommands& commands() { return session->controller(); }
    // Runs the UI loop until the command's worker has ended.
    bool RunUntilDone(std::chrono::milliseconds within = 30s);

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
    // Request command texts seen on the line, in order.
    std::vector<std::string> RequestCommands() const;

    // Declared so that the line's thread ends before what its script uses.
    Pty pty;
    FakeControllers controllers;
    ControllerLine line{pty};
    QueueDispatcher dispatcher;
    RecordingView view;
    std::unique_ptr<LineSession> session;
};

std::string IndexUtf8(std::uint8_t index);
// A sent frame's monitor line as SentDescriptions() gives it.
inline std::string Described(std::uint8_t index, const std::string& description) {
    return IndexUtf8(index) + "   —   " + description;
}

}  // namespace tulex::test
