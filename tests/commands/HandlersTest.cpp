// The handlers on the UI thread, seen through the recording view: the port
// check, the questions and dialogs, refused input, and the command controls.

#include <gtest/gtest.h>

#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

struct NamedHandler {
    const char* name;
    MenuCommand command;
};

const NamedHandler kOwnHandlers[] = {
    {"checkPresenceAction", MenuCommand::CheckPresence},
    {"readParametersAction", MenuCommand::ReadParameters},
    {"changeIndexAction", MenuCommand::ChangeIndex},
    {"presetDoorWithoutSensorAction", MenuCommand::PresetDoorWithoutSensor},
    {"presetDoorWithSensorAction", MenuCommand::PresetDoorWithSensor},
    {"presetTurnstileWithoutConfirmationAction", MenuCommand::PresetTurnstileWithoutConfirmation},
    {"presetTurnstileWithConfirmationAction", MenuCommand::PresetTurnstileWithConfirmation},
    {"presetRegistrationTerminalAction", MenuCommand::PresetRegistrationTerminal},
    {"offlineModeAction", MenuCommand::ModeOffline},
    {"onlineModeAction", MenuCommand::ModeOnline},
    {"autonomousModeAction", MenuCommand::ModeAutonomous},
    {"setMasterCardAction", MenuCommand::SetMasterCard},
    {"readMasterCardAction", MenuCommand::ReadMasterCard},
    {"relayTime1Action", MenuCommand::RelayTime1},
    {"relayTime2Action", MenuCommand::RelayTime2},
    {"relayTime3Action", MenuCommand::RelayTime3},
    {"relayTime4Action", MenuCommand::RelayTime4},
};

TEST(HandlersWithPortClosed, WarnAndStartNothing) {
    QueueDispatcher dispatcher;
    RecordingView view;
    LineSession session(view, dispatcher);
    for (const auto& h : kOwnHandlers) {
        view.Clear();
        view.QueueYesNo(true);
        view.QueueInput("H");
        session.controller().Run(h.command);
        const auto calls = view.Calls();
        ASSERT_EQ(calls.size(), 1u) << h.name;
        EXPECT_EQ(calls[0].what, "message") << h.name;
        EXPECT_EQ(calls[0].caption, "Предупреждение") << h.name;
        EXPECT_EQ(calls[0].text, "Начните работу с выбора COM-порта.") << h.name;
        EXPECT_EQ(calls[0].number, 1) << h.name << ": warning icon";
        EXPECT_EQ(session.transaction().busy, 0) << h.name;
        // Drain the scripted answers that were not asked for.
        view.AskYesNo("", "");
        view.InputQuery("", "", "");
    }
}

class Handlers : public CommandFixture {
protected:
    // Nothing reached the line or the controls.
    void ExpectNothingStarted(const std::string& what) {
        dispatcher.RunFor(30ms);
        EXPECT_EQ(session->transaction().busy, 0) << what;
        EXPECT_TRUE(view.CallsOf("controls").empty()) << what;
        EXPECT_TRUE(view.CallsOf("balloon").empty()) << what;
        EXPECT_EQ(line.Written(), "") << what;
    }
};

TEST_F(Handlers, StandardSetAnsweredNoStartsNothing) {
    const struct {
        MenuCommand command;
        const char* caption;
    } sets[] = {
        {MenuCommand::PresetDoorWithoutSensor, "Дверь без датчика положения"},
        {MenuCommand::PresetDoorWithSensor, "Дверь с датчиком положения"},
        {MenuCommand::PresetTurnstileWithoutConfirmation, "Турникет без подтверждения прохода"},
        {MenuCommand::PresetTurnstileWithConfirmation, "Турникет с подтверждением прохода"},
        {MenuCommand::PresetRegistrationTerminal, "Регистрационный терминал"},
    };
    for (const auto& s : sets) {
        view.Clear();
        view.QueueYesNo(false);
        commands().Run(s.command);
        const auto asked = view.CallsOf("ask");
        ASSERT_EQ(asked.size(), 1u) << s.caption;
        EXPECT_EQ(asked[0].caption, "Изменение параметров контроллера");
        EXPECT_EQ(asked[0].text, std::string("Задать параметры контроллера\n\n") + s.caption + "?");
        ExpectNothingStarted(s.caption);
    }
}

TEST_F(Handlers, MasterCardQuestionAnsweredNoStartsNothing) {
    view.QueueYesNo(false);
    commands().SetMasterCard();
    const auto asked = view.CallsOf("ask");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, "Задание мастер-карты");
    EXPECT_EQ(asked[0].text,
              "Убедитесь, что контроллер работает в автономном режиме.\n\nНачать ожидание мастер-карты?");
    ExpectNothingStarted("setMasterCardAction");
}

TEST_F(Handlers, CancelledDialogsStartNothing) {
    const struct {
        MenuCommand command;
        const char* caption;
        const char* prompt;
    } dialogs[] = {
        {MenuCommand::ChangeIndex, "Изменение индекса контроллера", "Допустимые значения: G - ь\n\nИндекс:"},
        {MenuCommand::RelayTime1, "Реле 1", "Время, с:"},
        {MenuCommand::RelayTime2, "Реле 2", "Время, с:"},
        {MenuCommand::RelayTime3, "Реле 3", "Время, с:"},
        {MenuCommand::RelayTime4, "Реле 4", "Время, с:"},
    };
    for (const auto& d : dialogs) {
        view.Clear();
        view.QueueInput(std::nullopt);
        commands().Run(d.command);
        const auto inputs = view.CallsOf("input");
        ASSERT_EQ(inputs.size(), 1u) << d.caption;
        EXPECT_EQ(inputs[0].caption, d.caption);
        EXPECT_EQ(view.lastInputPrompt(), d.prompt);
        EXPECT_EQ(view.lastInputInitial(), "") << "nothing typed yet";
        EXPECT_TRUE(view.CallsOf("message").empty());
        ExpectNothingStarted(d.caption);
    }
}

TEST_F(Handlers, IndexDialogRefusalsShowTheirMessagesAndStartNothing) {
    const struct {
        const char* typed;
        const char* caption;
        const char* text;
        const char* remembered;
    } cases[] = {
        {"   ", "Предупреждение", "Неверное значение.", ""},
        {"HH", "Информация", "HH — неверное значение.", "HH"},
        {"F", "Предупреждение", "F — неверное значение.", "F"},
        {" я ", "Предупреждение", "я — неверное значение.", "я"},
    };
    for (const auto& c : cases) {
        view.Clear();
        view.QueueInput(c.typed);
        commands().ChangeIndex();
        const auto messages = view.CallsOf("message");
        ASSERT_EQ(messages.size(), 1u) << c.typed;
        EXPECT_EQ(messages[0].caption, c.caption) << c.typed;
        EXPECT_EQ(messages[0].text, c.text) << c.typed;
        EXPECT_EQ(messages[0].number, 1) << "warning icon";
        EXPECT_EQ(session->transaction().indexText, c.remembered);
        ExpectNothingStarted(c.typed);
    }
}

TEST_F(Handlers, RelayTimeRefusalsShowTheRangeAndTheTextIsRemembered) {
    for (const char* typed : {"25.6", "0.09", "2,5"}) {
        view.Clear();
        view.QueueInput(typed);
        commands().SetRelayTime(1);
        const auto messages = view.CallsOf("message");
        ASSERT_EQ(messages.size(), 1u) << typed;
        EXPECT_EQ(messages[0].caption, "Информация");
        EXPECT_EQ(messages[0].text,
                  std::string(typed) + " — неверное значение.\n\nДиапазон значений времени: 0.1 — 25.5 с");
        EXPECT_EQ(messages[0].number, 1) << "warning icon";
        ExpectNothingStarted(typed);
    }
    // The last text typed for any relay is the next dialog's default.
    view.QueueInput(std::nullopt);
    commands().SetRelayTime(4);
    EXPECT_EQ(view.lastInputInitial(), "2,5");
}

TEST_F(Handlers, ControlsAreDisabledWhileACommandRunsAndEnabledAfter) {
    commands().CheckPresence();
    // The handler has returned: controls off, transaction state filled.
    EXPECT_FALSE(view.commandControlsEnabled());
    EXPECT_EQ(session->transaction().busy, 1);
    EXPECT_EQ(session->transaction().target, kG);
    EXPECT_EQ(session->transaction().commandList, std::vector<std::string>{"$$02"});
    EXPECT_EQ(session->transaction().descriptionList, std::vector<std::string>{"Проверка наличия контроллера"});
    // A second command while this one runs starts nothing.
    commands().ReadParameters();
    commands().Run(MenuCommand::CheckPresence);
    commands().Run(MenuCommand::TestMemory);
    commands().Run(MenuCommand::RunRawCommand);  // not even its dialog opens
    EXPECT_TRUE(view.CallsOf("input").empty());
    ASSERT_TRUE(RunUntilDone());
    const auto controls = view.CallsOf("controls");
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].number, 0);
    EXPECT_EQ(controls[1].number, 1);
    EXPECT_EQ(RequestCommands(), std::vector<std::string>{"$$02"});
    EXPECT_TRUE(session->transaction().commandList.empty());
    EXPECT_TRUE(session->transaction().descriptionList.empty());
    EXPECT_FALSE(session->transaction().EventExists(Reply::Ack));
    // The controls were off from before the waiting balloon to after the outcome.
    const auto calls = view.Calls();
    std::vector<std::string> order;
    for (const auto& c : calls)
        if (c.what == "controls" || c.what == "balloon") order.push_back(c.what + std::to_string(c.number));
    EXPECT_EQ(order, (std::vector<std::string>{"controls0", "balloon0", "balloon0", "controls1"}));
}

// What identifies each controller menu command when it is run by name.
struct MenuCase {
    MenuCommand command;
    const char* kind;  // "request": first command and description; "ask"/"input": the dialog
    const char* first;
    const char* second;
};

TEST_F(Handlers, RunCallsTheHandlerOfEachCommand) {
    const MenuCase cases[] = {
        {MenuCommand::CheckPresence, "request", "$$02", "Проверка наличия контроллера"},
        {MenuCommand::ReadParameters, "request", "$$02011310111617121819", "Чтение параметров контроллера"},
        {MenuCommand::ChangeIndex, "input", "Изменение индекса контроллера", ""},
        {MenuCommand::PresetDoorWithoutSensor, "ask", "Дверь без датчика положения", ""},
        {MenuCommand::PresetDoorWithSensor, "ask", "Дверь с датчиком положения", ""},
        {MenuCommand::PresetTurnstileWithoutConfirmation, "ask", "Турникет без подтверждения прохода", ""},
        {MenuCommand::PresetTurnstileWithConfirmation, "ask", "Турникет с подтверждением прохода", ""},
        {MenuCommand::PresetRegistrationTerminal, "ask", "Регистрационный терминал", ""},
        {MenuCommand::ModeOffline, "request", "$$13", "Изменение режима работы контроллера: Off-line"},
        {MenuCommand::ModeOnline, "request", "$$13", "Изменение режима работы контроллера: On-line"},
        {MenuCommand::ModeAutonomous, "request", "$$13", "Изменение режима работы контроллера: Автономный"},
        {MenuCommand::SetMasterCard, "ask", "Начать ожидание мастер-карты?", ""},
        {MenuCommand::ReadMasterCard, "request", "$$20212223241415", "Чтение мастер-карты"},
        {MenuCommand::RelayTime1, "input", "Реле 1", ""},
        {MenuCommand::RelayTime2, "input", "Реле 2", ""},
        {MenuCommand::RelayTime3, "input", "Реле 3", ""},
        {MenuCommand::RelayTime4, "input", "Реле 4", ""},
        {MenuCommand::TestMemory, "request", "/8", "Тест памяти"},
        {MenuCommand::TestLine, "request", "$$02", "Тест линии"},
        {MenuCommand::TestRelay1, "ask", "Начать тест реле 1?", ""},
        {MenuCommand::TestRelay2, "ask", "Начать тест реле 2?", ""},
        {MenuCommand::TestRelay3, "ask", "Начать тест реле 3?", ""},
        {MenuCommand::TestRelay4, "ask", "Начать тест реле 4?", ""},
        {MenuCommand::RunRawCommand, "input", "Выполнить команду", ""},
    };
    for (const auto& c : cases) {
        const std::string where = std::to_string(static_cast<int>(c.command));
        view.Clear();
        commands().Run(c.command);
        const std::string kind = c.kind;
        if (kind == "request") {
            ASSERT_EQ(session->transaction().busy, 1) << where;
            ASSERT_FALSE(session->transaction().commandList.empty()) << where;
            EXPECT_EQ(session->transaction().commandList.front(), c.first) << where;
            // The mode items differ in their second description.
            const auto& d = session->transaction().descriptionList;
            const bool described =
                std::any_of(d.begin(), d.end(), [&](const std::string& s) { return s.rfind(c.second, 0) == 0; });
            EXPECT_TRUE(described) << where;
            ASSERT_TRUE(RunUntilDone()) << where;
        } else if (kind == "ask") {
            const auto asked = view.CallsOf("ask");
            ASSERT_EQ(asked.size(), 1u) << where;
            EXPECT_NE(asked[0].text.find(c.first), std::string::npos) << where << ": " << asked[0].text;
        } else {
            const auto inputs = view.CallsOf("input");
            ASSERT_EQ(inputs.size(), 1u) << where;
            EXPECT_EQ(inputs[0].caption, c.first) << where;
        }
    }
}

TEST_F(Handlers, RelaysOutsideOneToFourDoNothing) {
    for (const int relay : {0, 5, -1}) {
        view.Clear();
        commands().SetRelayTime(relay);
        commands().TestRelay(relay);
        EXPECT_TRUE(view.Calls().empty()) << relay;
        ExpectNothingStarted(std::to_string(relay));
    }
}

}  // namespace
}  // namespace tulex::test
