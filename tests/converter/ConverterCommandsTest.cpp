// The converter commands end to end: the handlers on the UI thread (a
// QueueDispatcher run by the test), the workers and the receive thread on the
// in-memory line, whose converter answers as set up by each test, on the
// manual clock.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ConverterCommands.h"
#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "converter/ConverterReport.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/RunOnLine.h"
#include "tests/support/VirtualLine.h"

namespace tulex {
namespace {

using namespace std::chrono_literals;
using test::RecordingView;
using Canned = std::map<std::string, sim::CannedAnswer>;

// The state of the converter command at the moment a message box opens.
struct AtMessage {
    std::string caption;
    std::string text;
    MessageIcon icon;
    int busy;
    bool eventsExist;
    bool controlsEnabled;
    std::size_t listSize;
};

// Forwards everything to a RecordingView and notes, for each message box, the
// state the worker left while it waits for the box to be closed.
class ProbeView final : public View {
public:
    RecordingView rec;
    std::function<AtMessage(const std::string&, const std::string&, MessageIcon)> probe;
    std::vector<AtMessage> atMessages;

    void ShowMessage(const std::string& c, const std::string& t, MessageIcon i) override {
        if (probe) atMessages.push_back(probe(c, t, i));
        rec.ShowMessage(c, t, i);
    }
    bool AskYesNo(const std::string& c, const std::string& t) override { return rec.AskYesNo(c, t); }
    std::optional<std::string> InputQuery(const std::string& c, const std::string& p, const std::string& i) override {
        return rec.InputQuery(c, p, i);
    }
    void SetCommandControlsEnabled(bool e) override { rec.SetCommandControlsEnabled(e); }
    void SetPortControlsEnabled(bool e) override { rec.SetPortControlsEnabled(e); }
    void SetStatusPanel(int p, const std::string& t) override { rec.SetStatusPanel(p, t); }
    void RepaintMap() override { rec.RepaintMap(); }
    void ShowCardPopup(std::uint8_t i, const std::string& t, const std::string& x) override {
        rec.ShowCardPopup(i, t, x);
    }
    void RemoveAllCardPopups() override { rec.RemoveAllCardPopups(); }
    void ShowBalloon(std::uint8_t i, const std::string& t, const std::string& x, Colour c) override {
        rec.ShowBalloon(i, t, x, c);
    }
    void SetBalloonText(const std::string& t) override { rec.SetBalloonText(t); }
    void RemoveBalloon() override { rec.RemoveBalloon(); }
    void ShowSensorPopup(std::uint8_t i, const std::string& t) override { rec.ShowSensorPopup(i, t); }
    void RemoveSensorPopup() override { rec.RemoveSensorPopup(); }
    void OpenCommandMenu(std::uint8_t i) override { rec.OpenCommandMenu(i); }
};

// The line's converter works: version 21, poll range C6, speeds 08. It takes
// an empty command as well (as some firmware does).
const Canned kWorkingConverter = {{"", {"$?"}}};

const std::string kReport21C608 = BuildConverterReport("21C608");

class ConverterCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = std::make_unique<LineSession>(view, dispatcher, line.MakePort(), clock);
        session->monitor().SetWindowExists(true);
        session->OpenPort(test::VirtualLine::kPortName, "9600");
        ASSERT_TRUE(session->IsPortOpen());
        view.probe = [this](const std::string& c, const std::string& t, MessageIcon i) {
            ConverterTransaction& converterTransaction = session->converterTransaction();
            const bool events = converterTransaction.EventExists(ConverterReply::Positive) ||
                                converterTransaction.EventExists(ConverterReply::Error) ||
                                converterTransaction.EventExists(ConverterReply::Data);
            return AtMessage{c,
                             t,
                             i,
                             converterTransaction.busy.load(),
                             events,
                             view.rec.commandControlsEnabled(),
                             converterTransaction.commandList.size()};
        };
    }
    void TearDown() override {
        if (session) session->ClosePort();
        session.reset();
    }

    // What the converter says instead of its own answers, by command text.
    void StartLine(Canned canned) {
        line.With([&](sim::SimLine& l) { return l.Converter().Config().canned = std::move(canned); });
    }
    // The requests to the converter written so far, whole.
    std::vector<std::string> Frames() const {
        std::vector<std::string> frames;
        for (const auto& f : line.Requests())
            if (f.index == kConverterAddress) frames.push_back(f.bytes);
        return frames;
    }
    // Runs the UI thread, and the clock while the worker waits for time,
    // until the command's worker has cleaned up.
    void RunToEnd() {
        ASSERT_TRUE(test::RunOnLine(dispatcher, clock, line, [&] { return !session->converter().Running(); }));
        dispatcher.ProcessPending();
    }
    std::vector<std::string> MonitorLines() const {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < session->monitor().Count(); ++i)
            lines.push_back(Cp1251ToUtf8(session->monitor().Line(i)));
        return lines;
    }
    int CountLinesEndingWith(const std::string& tail) const {
        int n = 0;
        for (const auto& l : MonitorLines())
            if (l.size() >= tail.size() && l.compare(l.size() - tail.size(), tail.size(), tail) == 0) ++n;
        return n;
    }
    std::vector<RecordingView::Call> Messages() const { return view.rec.CallsOf("message"); }
    // The engine back at rest after a command.
    void ExpectIdle() {
        ConverterTransaction& converterTransaction = session->converterTransaction();
        EXPECT_EQ(converterTransaction.busy.load(), 0);
        EXPECT_FALSE(converterTransaction.EventExists(ConverterReply::Positive));
        EXPECT_FALSE(converterTransaction.EventExists(ConverterReply::Error));
        EXPECT_FALSE(converterTransaction.EventExists(ConverterReply::Data));
        EXPECT_TRUE(converterTransaction.commandList.empty());
        EXPECT_TRUE(converterTransaction.descriptionList.empty());
        EXPECT_TRUE(view.rec.commandControlsEnabled());
    }

    test::ManualClock clock;
    test::VirtualLine line{clock};
    QueueDispatcher dispatcher;
    ProbeView view;
    std::unique_ptr<LineSession> session;
};

TEST_F(ConverterCommandsTest, ReadSendsThreeRequestsAndShowsTheReport) {
    StartLine(kWorkingConverter);
    ASSERT_TRUE(session->converter().OpenConverterMenu());
    ASSERT_TRUE(session->converter().ReadConverterParameters());
    EXPECT_FALSE(view.rec.commandControlsEnabled());
    RunToEnd();

    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], std::string("\xFF\xFF\xFF\xFF\xFE\xFE\x30\x3F\x0F"));
    EXPECT_EQ(frames[1], BuildRequest(kConverterAddress, "2"));
    EXPECT_EQ(frames[2], BuildRequest(kConverterAddress, "4"));

    EXPECT_EQ(CountLinesEndingWith("ю   —   Чтение параметров преобразователя: Версия"), 1);
    EXPECT_EQ(CountLinesEndingWith("ю   —   Чтение параметров преобразователя: Диапазон опроса"), 1);
    EXPECT_EQ(CountLinesEndingWith("ю   —   Чтение параметров преобразователя: Скорость, время"), 1);

    ASSERT_EQ(view.atMessages.size(), 1u);
    const AtMessage& m = view.atMessages[0];
    EXPECT_EQ(m.caption, "Информация");
    EXPECT_EQ(m.text, kReport21C608);
    EXPECT_EQ(m.icon, MessageIcon::Information);
    // A complete read clears the busy flag before the report; the events and
    // lists stay until the box is closed, the controls disabled.
    EXPECT_EQ(m.busy, 0);
    EXPECT_TRUE(m.eventsExist);
    EXPECT_FALSE(m.controlsEnabled);
    EXPECT_EQ(m.listSize, 3u);

    const auto result = session->converter().LastResult();
    EXPECT_EQ(result.outcome, ConverterCommands::Outcome::Report);
    EXPECT_EQ(result.report, kReport21C608);
    EXPECT_EQ(session->converterTransaction().ReplyData(), "");  // emptied by the report
    ExpectIdle();
    // Disabled once at the start, enabled once at the end.
    const auto controls = view.rec.CallsOf("controls");
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].number, 0);
    EXPECT_EQ(controls[1].number, 1);
}

// At the 3000 ms limit: the second request is never answered.
TEST_F(ConverterCommandsTest, ReadWhoseSecondRequestTimesOutShowsNoReportAndTheNextReadStartsEmpty) {
    StartLine({{"2", {}}, {"4", {}}});
    ASSERT_TRUE(session->converter().ReadConverterParameters());
    const auto started = clock.Now();
    RunToEnd();
    EXPECT_EQ(clock.Now() - started, 3000ms);

    EXPECT_EQ(Frames().size(), 2u);  // the third request is never sent
    EXPECT_EQ(CountLinesEndingWith("   TIMEOUT"), 1);
    ASSERT_EQ(view.atMessages.size(), 1u);
    EXPECT_EQ(view.atMessages[0].caption, "Предупреждение");
    EXPECT_EQ(view.atMessages[0].text, "Время ожидания ответа истекло.");
    EXPECT_EQ(view.atMessages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(view.atMessages[0].busy, 1);  // still set while the box is open
    EXPECT_TRUE(view.atMessages[0].eventsExist);
    EXPECT_EQ(session->converter().LastResult().outcome, ConverterCommands::Outcome::Timeout);
    EXPECT_EQ(session->converterTransaction().ReplyData(), "21");  // what came before the time-out
    ExpectIdle();

    // The next read starts from an empty converter reply: its report is that
    // of its own three answers, not "21" followed by them.
    StartLine(kWorkingConverter);
    ASSERT_TRUE(session->converter().ReadConverterParameters());
    RunToEnd();
    ASSERT_EQ(view.atMessages.size(), 2u);
    EXPECT_EQ(view.atMessages[1].text, kReport21C608);
    EXPECT_EQ(CountLinesEndingWith("   TIMEOUT"), 1);
    ExpectIdle();
}

TEST_F(ConverterCommandsTest, ErrorReplyEndsTheReadAtTheFailingRequest) {
    StartLine({{"2", {"#?"}}, {"4", {"#?"}}});
    ASSERT_TRUE(session->converter().ReadConverterParameters());
    RunToEnd();
    EXPECT_EQ(Frames().size(), 2u);
    ASSERT_EQ(view.atMessages.size(), 1u);
    EXPECT_EQ(view.atMessages[0].caption, "Информация");
    EXPECT_EQ(view.atMessages[0].text, "Параметры преобразователя недоступны.");
    EXPECT_EQ(view.atMessages[0].icon, MessageIcon::Information);
    EXPECT_EQ(view.atMessages[0].busy, 1);
    EXPECT_EQ(CountLinesEndingWith("ERROR"), 1);
    EXPECT_EQ(CountLinesEndingWith("   TIMEOUT"), 0);
    EXPECT_EQ(session->converter().LastResult().outcome, ConverterCommands::Outcome::Error);
    ExpectIdle();
}

// "$" to a read request is shown but does not end the wait: the data reply
// that follows it still completes the read.
TEST_F(ConverterCommandsTest, PositiveReplyToAReadRequestDoesNotEndTheWait) {
    StartLine({{"2", {"$?", "C6?", 100}}});
    ASSERT_TRUE(session->converter().ReadConverterParameters());
    RunToEnd();
    ASSERT_EQ(view.atMessages.size(), 1u);
    EXPECT_EQ(view.atMessages[0].text, kReport21C608);
    EXPECT_GE(CountLinesEndingWith("OK"), 1);

    // With nothing else, the "$" leads to the time-out.
    StartLine({{"0", {"$?"}}, {"2", {}}, {"4", {}}});
    ASSERT_TRUE(session->converter().ReadConverterParameters());
    RunToEnd();
    EXPECT_EQ(session->converter().LastResult().outcome, ConverterCommands::Outcome::Timeout);
    EXPECT_EQ(Frames().size(), 4u);
    ExpectIdle();
}

// A data reply to the poll range change is no answer to it either.
TEST_F(ConverterCommandsTest, DataReplyToASingleCommandDoesNotEndTheWait) {
    StartLine({{"1H", {"21?", "$?", 100}}});
    view.rec.QueueInput("H");
    ASSERT_TRUE(session->converter().ChangePollRange());
    RunToEnd();
    ASSERT_EQ(view.atMessages.size(), 1u);
    EXPECT_EQ(view.atMessages[0].text, "Диапазон опроса изменен");

    StartLine({{"1H", {"21?"}}});
    view.rec.QueueInput("H");
    ASSERT_TRUE(session->converter().ChangePollRange());
    RunToEnd();
    ASSERT_EQ(view.atMessages.size(), 2u);
    EXPECT_EQ(view.atMessages[1].text, "Время ожидания ответа истекло.");
    EXPECT_EQ(CountLinesEndingWith("   TIMEOUT"), 1);
    ExpectIdle();
}

TEST_F(ConverterCommandsTest, PollRangeIsTrimmedAndSentInWindows1251) {
    StartLine(kWorkingConverter);
    view.rec.QueueInput(" Ж ");
    ASSERT_TRUE(session->converter().ChangePollRange());
    RunToEnd();

    const auto inputs = view.rec.CallsOf("input");
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].caption, "Изменение диапазона опроса");
    EXPECT_EQ(view.rec.lastInputPrompt(), "Допустимые значения: H - Ж\n\nИндекс:");
    EXPECT_EQ(view.rec.lastInputInitial(), "");

    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], BuildRequest(kConverterAddress, "1\xC6"));
    EXPECT_EQ(frames[0].substr(6, 2), "1\xC6");
    EXPECT_EQ(CountLinesEndingWith("ю   —   Изменение диапазона опроса преобразователя"), 1);

    ASSERT_EQ(view.atMessages.size(), 1u);
    EXPECT_EQ(view.atMessages[0].caption, "Информация");
    EXPECT_EQ(view.atMessages[0].text, "Диапазон опроса изменен");
    EXPECT_EQ(view.atMessages[0].icon, MessageIcon::Information);
    EXPECT_EQ(view.atMessages[0].busy, 1);
    EXPECT_EQ(session->converter().LastResult().outcome, ConverterCommands::Outcome::Done);
    ExpectIdle();

    // The trimmed text is offered next time.
    view.rec.QueueInput(std::nullopt);
    EXPECT_FALSE(session->converter().ChangePollRange());
    EXPECT_EQ(view.rec.lastInputInitial(), "Ж");
    EXPECT_EQ(session->converterTransaction().pollRangeText, "Ж");
}

TEST_F(ConverterCommandsTest, RefusedPollRangesSendNothing) {
    StartLine(kWorkingConverter);
    struct {
        std::string typed;
        std::string caption;
        std::string text;
        std::string remembered;
    } cases[] = {
        {"Ж1", "Информация", "Ж1 — неверное значение.", "Ж1"},  {"G", "Предупреждение", "G — неверное значение.", "G"},
        {"", "Предупреждение", "Неверное значение.", ""},       {" \t ", "Предупреждение", "Неверное значение.", ""},
        {"З", "Предупреждение", "З — неверное значение.", "З"},
    };
    for (const auto& c : cases) {
        view.rec.Clear();
        view.rec.QueueInput(c.typed);
        EXPECT_FALSE(session->converter().ChangePollRange()) << c.typed;
        const auto messages = Messages();
        ASSERT_EQ(messages.size(), 1u) << c.typed;
        EXPECT_EQ(messages[0].caption, c.caption) << c.typed;
        EXPECT_EQ(messages[0].text, c.text) << c.typed;
        EXPECT_EQ(messages[0].number, 1) << "warning icon for " << c.typed;
        EXPECT_TRUE(view.rec.CallsOf("controls").empty()) << c.typed;
        EXPECT_EQ(session->converterTransaction().pollRangeText, c.remembered);
        EXPECT_EQ(session->converterTransaction().busy.load(), 0);
    }
    // A cancelled dialog changes nothing.
    view.rec.QueueInput(std::nullopt);
    EXPECT_FALSE(session->converter().ChangePollRange());
    EXPECT_EQ(session->converterTransaction().pollRangeText, "З");
    dispatcher.RunFor(50ms);
    EXPECT_TRUE(Frames().empty());
}

TEST_F(ConverterCommandsTest, EmptyRawCommandIsSentAsARequestWithoutText) {
    StartLine(kWorkingConverter);
    view.rec.QueueInput("");
    ASSERT_TRUE(session->converter().RunConverterCommand());
    RunToEnd();
    const auto frames = Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], std::string("\xFF\xFF\xFF\xFF\xFE\xFE\x3F\x3F"));
    EXPECT_EQ(CountLinesEndingWith("ю   —   Команда преобразователю: "), 1);
    ASSERT_EQ(view.atMessages.size(), 1u);
    EXPECT_EQ(view.atMessages[0].caption, "Информация");
    EXPECT_EQ(view.atMessages[0].text, "Команда отправлена.");
    ExpectIdle();
}

TEST_F(ConverterCommandsTest, RawCommandGoesAsTypedAndIsRemembered) {
    StartLine({{" 1\xC6 ", {"#?"}}});
    view.rec.QueueInput(" 1Ж ");
    ASSERT_TRUE(session->converter().RunConverterCommand());
    RunToEnd();
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Frames()[0], BuildRequest(kConverterAddress, " 1\xC6 "));
    EXPECT_EQ(CountLinesEndingWith("ю   —   Команда преобразователю:  1Ж "), 1);
    ASSERT_EQ(view.atMessages.size(), 1u);
    EXPECT_EQ(view.atMessages[0].text, "Параметры преобразователя недоступны.");
    EXPECT_EQ(view.atMessages[0].caption, "Информация");
    EXPECT_EQ(session->converter().LastResult().outcome, ConverterCommands::Outcome::Error);
    ExpectIdle();

    view.rec.QueueInput(std::nullopt);
    EXPECT_FALSE(session->converter().RunConverterCommand());
    EXPECT_EQ(view.rec.lastInputInitial(), " 1Ж ");
}

TEST_F(ConverterCommandsTest, RawCommandWindows1251CannotCarryIsRefused) {
    StartLine(kWorkingConverter);
    view.rec.QueueInput("A☃");
    EXPECT_FALSE(session->converter().RunConverterCommand());
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Предупреждение");
    EXPECT_NE(messages[0].text.find("«☃»"), std::string::npos);
    EXPECT_EQ(session->converterTransaction().rawCommandText, "A☃");
    EXPECT_EQ(session->converterTransaction().busy.load(), 0);
    dispatcher.RunFor(50ms);
    EXPECT_TRUE(Frames().empty());
}

TEST_F(ConverterCommandsTest, ConverterButtonWarnsWithThePortClosed) {
    session->ClosePort();
    EXPECT_FALSE(session->converter().OpenConverterMenu());
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Предупреждение");
    EXPECT_EQ(messages[0].text, "Начните работу с выбора COM-порта.");
    // The menu items refuse likewise instead of waiting for a time-out.
    EXPECT_FALSE(session->converter().ReadConverterParameters());
    EXPECT_EQ(session->converterTransaction().busy.load(), 0);
    EXPECT_TRUE(view.rec.commandControlsEnabled());
}

}  // namespace
}  // namespace tulex
