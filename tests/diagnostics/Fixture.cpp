#include "tests/diagnostics/Fixture.h"

#include "line/Cp1251.h"

namespace tulex::test {

void LineFixture::SetUp() {
    ASSERT_TRUE(pty.ok());
    session = std::make_unique<LineSession>(view, dispatcher);
    session->monitor().SetWindowExists(true);
    // Every frame the engine writes has its monitor line; count them as they
    // come (a test may clear the monitor between cases).
    session->monitor().SetLineSink([this](std::string_view line) {
        if (line.find(kMarkerSent) != std::string_view::npos) ++framesSent_;
    });
    session->OpenPort(pty.slavePath(), "9600");
    ASSERT_TRUE(session->IsPortOpen());
    view.Clear();
}

bool LineFixture::RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds within) {
    return dispatcher.RunUntil(pred, within);
}

bool LineFixture::RunUntilDone(std::chrono::milliseconds within) {
    if (!RunUntil([this] { return session->transaction().busy == 0 && view.commandControlsEnabled(); }, within))
        return false;
    // Wait until the line side has cut as many frames as the engine wrote,
    // so the test reads complete figures.
    return RunUntil([this] { return player.Frames().size() >= framesSent_.load(); }, 2s);
}

bool LineFixture::WaitForRequests(std::size_t n, std::chrono::milliseconds within) {
    return RunUntil([&] { return player.Requests().size() >= n; }, within);
}

std::vector<std::string> LineFixture::Monitor() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < session->monitor().Count(); ++i) {
        const std::string line = session->monitor().Line(i);
        lines.push_back(Cp1251ToUtf8(line.size() > 8 ? std::string_view(line).substr(8) : std::string_view()));
    }
    return lines;
}

std::string LineFixture::LastOwnLine() const {
    const auto lines = Monitor();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->find("——>") == std::string::npos) return *it;
    return {};
}

std::string LineFixture::Sent(std::uint8_t index, const std::string& description) const {
    return "   " + pty.slavePath() + "   <——   " + Cp1251ToUtf8(std::string(1, static_cast<char>(index))) + "   —   " +
           description;
}

std::string LineFixture::Received(const std::string& text) const {
    return "   " + pty.slavePath() + "   ——>   " + text;
}

RecordingView::Call LineFixture::LastBalloon() const {
    const auto calls = view.CallsOf("balloon");
    return calls.empty() ? RecordingView::Call{} : calls.back();
}

std::vector<std::string> LineFixture::BalloonTexts() const {
    std::vector<std::string> texts;
    for (const auto& c : view.CallsOf("balloonText")) texts.push_back(c.text);
    return texts;
}

}  // namespace tulex::test
