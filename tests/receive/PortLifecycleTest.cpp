// Opening and closing the port around the receive thread, and the loss of
// the device under an open port.

#include "tests/receive/EngineFixture.h"

#include <thread>

#include "line/ReceiveLoop.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// Counts the receive threads that are running, from their own bookkeeping
// (the process's thread count also moves with sanitizer and other threads).
bool ReceiveThreadsBecome(int n) {
    for (int i = 0; i < 200; ++i) {
        if (RunningReceiveLoops() == n) return true;
        std::this_thread::sleep_for(5ms);
    }
    return RunningReceiveLoops() == n;
}

TEST_F(EngineTest, OpenAndCloseWriteTheirLinesAndCounters) {
    recording.SetStatusPanel(1, "7");  // left from before
    Open();
    EXPECT_EQ(recording.panel(1), "0");
    EXPECT_EQ(recording.panel(2), "0");
    EXPECT_FALSE(recording.portControlsEnabled());
    session->ClosePort();
    EXPECT_TRUE(recording.portControlsEnabled());
    EXPECT_EQ(MonitorTexts(), (Lines{"   ---   Порт открыт. Скорость, бит/с — 9600", "   ---   Порт закрыт."}));
    EXPECT_EQ(session->monitor().Line(0).substr(0, 8), "12:00:00");
    session->ClosePort();  // closed already: nothing more
    EXPECT_EQ(session->monitor().Count(), 2u);
}

TEST_F(EngineTest, FailedOpenTellsWhyAndLeavesThePortClosed) {
    const std::string name = VirtualLine::kPortName;
    auto other = line.MakePort();  // another program's hold on the line
    const std::string unavailable =
        "Порт " + name + " недоступен.\n\nВозможно, порт используется другим приложением или службой.";
    const struct {
        std::string name;
        std::string speed;
        bool heldElsewhere;
        bool accessDenied;  // the device's permissions keep the user out (EACCES)
        std::string text;   // empty: closed silently
    } cases[] = {
        {"ttyNOSUCH99", "9600", false, false, "ttyNOSUCH99 — неверный идентификатор COM-порта."},
        {"", "9600", false, false, " — неверный идентификатор COM-порта."},
        {name, "9600", true, false, unavailable},
        // The same text, and one line more that says what to do.
        {name, "9600", false, true,
         unavailable + "\nНет прав на порт: добавьте пользователя в группу dialout и войдите заново."},
        {name, "96OO", false, false, "96OO — неверное значение скорости COM-порта."},
        {name, "0", false, false, ""},
    };
    for (const auto& c : cases) {
        if (c.heldElsewhere)
            ASSERT_EQ(other->Open(name), PortError::None);
        else
            other->Close();
        line.SetAccessDenied(c.accessDenied);
        recording.Clear();
        session->OpenPort(c.name, c.speed);
        EXPECT_FALSE(session->IsPortOpen()) << c.name << " " << c.speed;
        const auto messages = recording.CallsOf("message");
        if (c.text.empty()) {
            EXPECT_TRUE(messages.empty()) << c.speed;
            continue;
        }
        ASSERT_EQ(messages.size(), 1u) << c.name << " " << c.speed;
        EXPECT_EQ(messages[0].caption, "Предупреждение");
        EXPECT_EQ(messages[0].text, c.text);
        EXPECT_TRUE(recording.CallsOf("controls").empty());
    }
    EXPECT_EQ(session->monitor().Count(), 0u);
}

TEST_F(EngineTest, ReopeningLeavesExactlyOneReceiveThread) {
    Open();
    EXPECT_TRUE(ReceiveThreadsBecome(1));
    session->ClosePort();
    EXPECT_EQ(RunningReceiveLoops(), 0);  // the close waited for it
    Open();
    EXPECT_TRUE(ReceiveThreadsBecome(1));
    // One reader: every byte reaches the one frame cutter.
    EXPECT_EQ(Feed("G:0123?!"), (Lines{Received("G:0123?"), Received("OK")}));
}

TEST_F(EngineTest, FrameCutByTheCloseIsNeverCompleted) {
    Open();
    line.Inject("G:01");
    dispatcher.RunFor(50ms);
    session->ClosePort();
    Open();
    // "23?" alone is a converter data frame (dropped), not the end of "G:01".
    EXPECT_EQ(Feed("23?!"), Lines{Received("OK")});
    EXPECT_EQ(session->transaction().ReplyData(), "");
}

TEST_F(EngineTest, DeviceLossClosesThePortAndTellsTheOperatorOnce) {
    Open();
    const std::string name = session->PortName();
    line.HangUp();  // the converter is pulled out
    ASSERT_TRUE(dispatcher.RunUntil([&] { return !session->IsPortOpen(); }, 5s));
    dispatcher.RunFor(100ms);  // nothing else may follow
    const auto messages = recording.CallsOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Предупреждение");
    EXPECT_EQ(messages[0].text, "Порт " + name + " недоступен.\n\nСвязь с COM-портом потеряна.");
    EXPECT_EQ(messages[0].number, 1);  // warning icon
    EXPECT_TRUE(recording.portControlsEnabled());
    EXPECT_EQ(MonitorTexts().back(), "   ---   Порт закрыт.");
    EXPECT_EQ(RunningReceiveLoops(), 0);  // the receive thread ended, no spinning reader left
}

TEST_F(EngineTest, DeviceLossAfterTheOperatorClosedChangesNothing) {
    Open();
    line.HangUp();
    // The operator closes before the UI thread gets to the report.
    std::this_thread::sleep_for(50ms);
    session->ClosePort();
    dispatcher.RunFor(100ms);
    EXPECT_TRUE(recording.CallsOf("message").empty());
    EXPECT_EQ(session->monitor().Count(), 2u);
}

}  // namespace
}  // namespace tulex::test
