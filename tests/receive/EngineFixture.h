#pragma once
// The receive engine on the in-memory line: LineSession on a QueueDispatcher
// (the test thread is the UI thread) with a recording view; the test puts
// raw bytes on the line and reads what the engine wrote back.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/VirtualLine.h"

namespace tulex::test {

// Forwards to a RecordingView and runs a test's hook at each card pop-up
// (before recording it), so a test can look at the line and the monitor at
// the moment the pop-up is asked for.
class LineWatchingView final : public View {
public:
    explicit LineWatchingView(RecordingView& inner) : inner_(inner) {}
    void ShowMessage(const std::string& c, const std::string& t, MessageIcon i) override {
        inner_.ShowMessage(c, t, i);
    }
    bool AskYesNo(const std::string& c, const std::string& t) override { return inner_.AskYesNo(c, t); }
    std::optional<std::string> InputQuery(const std::string& c, const std::string& p, const std::string& i) override {
        return inner_.InputQuery(c, p, i);
    }
    void SetCommandControlsEnabled(bool e) override { inner_.SetCommandControlsEnabled(e); }
    void SetPortControlsEnabled(bool e) override { inner_.SetPortControlsEnabled(e); }
    void SetStatusPanel(int p, const std::string& t) override { inner_.SetStatusPanel(p, t); }
    void RepaintMap() override { inner_.RepaintMap(); }
    void ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) override;
    void RemoveAllCardPopups() override { inner_.RemoveAllCardPopups(); }
    void ShowBalloon(std::uint8_t i, const std::string& ti, const std::string& te, Colour c) override {
        inner_.ShowBalloon(i, ti, te, c);
    }
    void SetBalloonText(const std::string& t) override { inner_.SetBalloonText(t); }
    void RemoveBalloon() override { inner_.RemoveBalloon(); }
    void ShowSensorPopup(std::uint8_t i, const std::string& t) override { inner_.ShowSensorPopup(i, t); }
    void RemoveSensorPopup() override { inner_.RemoveSensorPopup(); }
    void OpenCommandMenu(std::uint8_t i) override { inner_.OpenCommandMenu(i); }
    void EventsAdded() override { inner_.EventsAdded(); }
    void CountSkippedPopups(std::size_t count) override { inner_.CountSkippedPopups(count); }
    void SetConnection(const Connection& connection) override { inner_.SetConnection(connection); }
    void ShowProgress(const std::string& text) override { inner_.ShowProgress(text); }

    std::function<void()> atCard;

private:
    RecordingView& inner_;
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest();
    ~EngineTest() override;

    // "Открыть" on the line at 9600 bit/s.
    void Open();
    // Sends the bytes, then a device-error reply as a marker, and runs the
    // UI thread until the marker's monitor line is there: everything before
    // it has been routed and its pop-ups and counters delivered. Returns the
    // monitor lines the bytes produced, as "marker + text" in UTF-8.
    std::vector<std::string> Feed(std::string_view bytes);
    // What the engine wrote to the line since the last call (waits for
    // `want` bytes, at most 5 s of real time).
    std::string Written(std::size_t want);
    // Monitor line i without time stamp and port name, UTF-8.
    std::string MonitorText(std::size_t i) const;
    std::vector<std::string> MonitorTexts() const;

    bool Present(std::uint8_t index) const { return session->map().HasIndex(index, MapSet::Present); }
    bool ReplyOnly(std::uint8_t index) const { return session->map().HasIndex(index, MapSet::ReplyOnly); }
    std::vector<RecordingView::Call> Cards() const { return recording.CallsOf("card"); }
    std::vector<RecordingView::Call> Sensors() const { return recording.CallsOf("sensor"); }

    // Whether status panel 1 (present) or 2 (reply-only) comes to show
    // `text`: the counters follow the map at the screen's pace.
    ::testing::AssertionResult PanelShows(int panel, const std::string& text) {
        if (dispatcher.RunUntil([&] { return recording.panel(panel) == text; }, std::chrono::seconds(2)))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "panel " << panel << " shows \"" << recording.panel(panel) << '"';
    }
    static std::string Received(std::string_view textUtf8) { return "   ——>   " + std::string(textUtf8); }
    static std::string Sent(std::string_view textUtf8) { return "   <——   " + std::string(textUtf8); }

    ManualClock clock;
    VirtualLine line{clock};
    std::size_t writtenTaken_ = 0;  // bytes Written() has handed out
    // The line's reader and the monitor change what the tests wait for without
    // queuing anything: their conditions are looked at every 100 ms too.
    QueueDispatcher dispatcher{std::chrono::milliseconds(100)};
    RecordingView recording;
    LineWatchingView view{recording};
    std::unique_ptr<LineSession> session;
};

}  // namespace tulex::test
