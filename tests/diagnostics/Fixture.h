#pragma once
// The engine on one side of a pseudo-terminal and the test's controllers on
// the other: a LineSession with a recording view, its port open on the line.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "app/Timing.h"
#include "line/HexDigits.h"
#include "tests/diagnostics/LinePlayer.h"
#include "tests/support/Pty.h"
#include "tests/support/RecordingView.h"
#include "tests/support/TimeDivisor.h"

namespace tulex::test {

using namespace std::chrono_literals;

class LineFixture : public ::testing::Test {
protected:
    void SetUp() override;

    ControllerCommands& commands() { return session->controller(); }
    // Runs the UI loop until the command's worker has ended and the line
    // side has taken in every frame the engine wrote.
    bool RunUntilDone(std::chrono::milliseconds within = 20s);
    // Runs the UI loop until the line side has seen n request frames.
    bool WaitForRequests(std::size_t n, std::chrono::milliseconds within = 5s);
    // Runs the UI loop until pred holds.
    bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds within = 20s);

    // Monitor lines in UTF-8 without their time stamp.
    std::vector<std::string> Monitor() const;
    // The last monitor line the engine wrote itself (a late answer from the
    // line may come after the line that ended a test).
    std::string LastOwnLine() const;
    // The monitor line of a frame sent to index with a description.
    std::string Sent(std::uint8_t index, const std::string& description) const;
    // The monitor line of a frame received, as the receive thread shows it.
    std::string Received(const std::string& text) const;
    // The last balloon shown (title, text, colour).
    RecordingView::Call LastBalloon() const;
    std::vector<std::string> BalloonTexts() const;  // SetBalloonText calls, in order

    Pty pty;
    LinePlayer player{pty};
    QueueDispatcher dispatcher;
    RecordingView view;
    std::unique_ptr<LineSession> session;

private:
    std::atomic<std::size_t> framesSent_{0};  // monitor lines of sent frames, never cleared
};

}  // namespace tulex::test
