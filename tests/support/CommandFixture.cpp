#include "tests/support/CommandFixture.h"

#include <algorithm>

#include "line/Cp1251.h"
#include "tests/support/RunOnLine.h"

namespace tulex::test {

void CommandFixture::SetUp() {
    session = std::make_unique<LineSession>(view, dispatcher, line.MakePort(), clock);
    session->monitor().SetWindowExists(true);
    session->OpenPort(VirtualLine::kPortName, "9600");
    ASSERT_TRUE(session->IsPortOpen());
    session->map().SelectIndex(kG);
    view.Clear();
}

void CommandFixture::TearDown() {
    // No worker may outlive the test's objects: a command that a failed test
    // left running is stopped, and its port closed, before they go.
    if (!RunUntilDone(10s)) {
        session->StopCommand();
        session->ClosePort();
        EXPECT_TRUE(RunUntilDone()) << "a command still runs";
    }
    session.reset();
}

bool CommandFixture::RunUntilDone(std::chrono::milliseconds within) {
    return RunUntil([this] { return session->transaction().busy == 0 && view.commandControlsEnabled(); }, within);
}

bool CommandFixture::RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds within) {
    return RunOnLine(dispatcher, clock, line, pred, within);
}

bool CommandFixture::RunUntilWaiting(const std::function<bool()>& pred, std::chrono::milliseconds within) {
    return RunUntil([&] { return pred() && WaitsOnlyForTime(clock, line); }, within);
}

void CommandFixture::Stop() {
    session->StopCommand();
    ControllerTransaction& transaction = session->transaction();
    const bool taken = dispatcher.RunUntil([&] { return !transaction.IsSignalled(Reply::Cancel); }, 10s);
    ASSERT_TRUE(taken) << "the command did not take the stop";
}

void CommandFixture::DrainLine() {
    ASSERT_EQ(session->transaction().busy, 0);
    while (const auto due = line.NextDue()) clock.AdvanceTo(std::max(*due, clock.Now() + 1ms));
    ASSERT_TRUE(dispatcher.RunUntil([this] { return line.ReaderIdle(); }, 10s));
}

std::vector<std::string> CommandFixture::Monitor() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < session->monitor().Count(); ++i) {
        const std::string line = session->monitor().Line(i);
        lines.push_back(Cp1251ToUtf8(line.size() > 8 ? std::string_view(line).substr(8) : std::string_view()));
    }
    return lines;
}

std::string CommandFixture::Sent(std::uint8_t index, const std::string& description) const {
    return "   " + std::string(VirtualLine::kPortName) + "   <——   " + IndexUtf8(index) + "   —   " + description;
}

std::string CommandFixture::Received(const std::string& text) const {
    return "   " + std::string(VirtualLine::kPortName) + "   ——>   " + text;
}

CommandFixture::SplitMonitor CommandFixture::MonitorSplit() const {
    const std::string sentPrefix = "   " + std::string(VirtualLine::kPortName) + "   <——   ";
    SplitMonitor split;
    const auto lines = Monitor();
    for (std::size_t i = 1; i < lines.size(); ++i)
        (lines[i].rfind(sentPrefix, 0) == 0 ? split.sent : split.other).push_back(lines[i]);
    return split;
}

std::vector<std::string> CommandFixture::SentDescriptions() const {
    const std::string prefix = "   " + std::string(VirtualLine::kPortName) + "   <——   ";
    std::vector<std::string> out;
    for (const auto& l : Monitor())
        if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(prefix.size()));
    return out;
}

RecordingView::Call CommandFixture::LastBalloon() const {
    const auto calls = view.CallsOf("balloon");
    return calls.empty() ? RecordingView::Call{} : calls.back();
}

std::vector<std::string> CommandFixture::BalloonTexts() const {
    std::vector<std::string> texts;
    for (const auto& c : view.CallsOf("balloonText")) texts.push_back(c.text);
    return texts;
}

std::size_t CommandFixture::MonitorCount(const std::string& wanted) const {
    const auto lines = Monitor();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), wanted));
}

std::vector<LineFrame> CommandFixture::RequestsOf(const std::string& command) const {
    std::vector<LineFrame> out;
    for (auto& f : line.Requests())
        if (f.command == command) out.push_back(std::move(f));
    return out;
}

std::vector<std::string> CommandFixture::RequestCommands() const {
    std::vector<std::string> out;
    for (const auto& f : line.Requests()) out.push_back(f.command);
    return out;
}

std::string IndexUtf8(std::uint8_t index) { return Cp1251ToUtf8(std::string(1, static_cast<char>(index))); }

}  // namespace tulex::test
