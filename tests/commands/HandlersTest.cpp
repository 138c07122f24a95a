// The handlers on the UI thread, seen through the recording view: the port
// check, the questions and dialogs, refused input, and the command controls.

#include <gtest/gtest.h>

#include "tests/commands/CommandFixture.h"

namespace tulex::test {
namespace {

using Handler = void (ControllerCommands::*)();

struct NamedHandler {
    const char* name;
    Handler handler;
};

const NamedHandler kOwnHandlers[] = {
    {"N11", &ControllerCommands::N11Click},          {"N31", &ControllerCommands::N31Click},
    {"N21", &ControllerCommands::N21Click},          {"N7", &ControllerCommands::N7Click},
    {"N23", &ControllerCommands::N23Click},          {"N8", &ControllerCommands::N8Click},
    {"N20", &ControllerCommands::N20Click},          {"N25", &ControllerCommands::N25Click},
    {"Offline1", &ControllerCommands::Offline1Click}, {"Online1", &ControllerCommands::Online1Click},
    {"N13", &ControllerCommands::N13Click},          {"N28", &ControllerCommands::N28Click},
    {"N29", &ControllerCommands::N29Click},          {"N15", &ControllerCommands::N15Click},
    {"N22", &ControllerCommands::N22Click},          {"N32", &ControllerCommands::N32Click},
    {"N42", &ControllerCommands::N42Click},
};

TEST(HandlersWithPortClosed, WarnAndStartNothing) {
    QueueDispatcher dispatcher;
    RecordingView view;
    TForm1 form(view, dispatcher);
    for (const auto& h : kOwnHandlers) {
        view.Clear();
        view.QueueYesNo(true);
        view.QueueInput("H");
        (form.controller().*h.handler)();
        const auto calls = view.Calls();
        ASSERT_EQ(calls.size(), 1u) << h.name;
        EXPECT_EQ(calls[0].what, "message") << h.name;
        EXPECT_EQ(calls[0].caption, "Предупреждение") << h.name;
        EXPECT_EQ(calls[0].text, "Начните работу с выбора COM-порта.") << h.name;
        EXPECT_EQ(calls[0].number, 1) << h.name << ": warning icon";
        EXPECT_EQ(form.unit.busy, 0) << h.name;
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
        EXPECT_EQ(form->unit.busy, 0) << what;
        EXPECT_TRUE(view.CallsOf("controls").empty()) << what;
        EXPECT_TRUE(view.CallsOf("balloon").empty()) << what;
        EXPECT_EQ(line.Bytes(), "") << what;
    }
};

TEST_F(Handlers, StandardSetAnsweredNoStartsNothing) {
    const struct {
        Handler handler;
        const char* caption;
    } sets[] = {
        {&ControllerCommands::N7Click, "Дверь без датчика положения"},
        {&ControllerCommands::N23Click, "Дверь с датчиком положения"},
        {&ControllerCommands::N8Click, "Турникет без подтверждения прохода"},
        {&ControllerCommands::N20Click, "Турникет с подтверждением прохода"},
        {&ControllerCommands::N25Click, "Регистрационный терминал"},
    };
    for (const auto& s : sets) {
        view.Clear();
        view.QueueYesNo(false);
        (commands().*s.handler)();
        const auto asked = view.CallsOf("ask");
        ASSERT_EQ(asked.size(), 1u) << s.caption;
        EXPECT_EQ(asked[0].caption, "Изменение параметров контроллера");
        EXPECT_EQ(asked[0].text, std::string("Задать параметры контроллера\n\n") + s.caption + "?");
        ExpectNothingStarted(s.caption);
    }
}

TEST_F(Handlers, MasterCardQuestionAnsweredNoStartsNothing) {
    view.QueueYesNo(false);
    commands().N28Click();
    const auto asked = view.CallsOf("ask");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].caption, "Задание мастер-карты");
    EXPECT_EQ(asked[0].text, "Убедитесь, что контроллер работает в автономном режиме.\n\nНачать ожидание мастер-карты?");
    ExpectNothingStarted("N28");
}

TEST_F(Handlers, CancelledDialogsStartNothing) {
    const struct {
        Handler handler;
        const char* caption;
        const char* prompt;
    } dialogs[] = {
        {&ControllerCommands::N21Click, "Изменение индекса контроллера", "Допустимые значения: G - ь\n\nИндекс:"},
        {&ControllerCommands::N15Click, "Реле 1", "Время, с:"},
        {&ControllerCommands::N22Click, "Реле 2", "Время, с:"},
        {&ControllerCommands::N32Click, "Реле 3", "Время, с:"},
        {&ControllerCommands::N42Click, "Реле 4", "Время, с:"},
    };
    for (const auto& d : dialogs) {
        view.Clear();
        view.QueueInput(std::nullopt);
        (commands().*d.handler)();
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
        commands().N21Click();
        const auto messages = view.CallsOf("message");
        ASSERT_EQ(messages.size(), 1u) << c.typed;
        EXPECT_EQ(messages[0].caption, c.caption) << c.typed;
        EXPECT_EQ(messages[0].text, c.text) << c.typed;
        EXPECT_EQ(messages[0].number, 1) << "warning icon";
        EXPECT_EQ(form->unit.indexText, c.remembered);
        ExpectNothingStarted(c.typed);
    }
}

TEST_F(Handlers, RelayTimeRefusalsShowTheRangeAndTheTextIsRemembered) {
    for (const char* typed : {"25.6", "0.09", "2,5"}) {
        view.Clear();
        view.QueueInput(typed);
        commands().N15Click();
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
    commands().N42Click();
    EXPECT_EQ(view.lastInputInitial(), "2,5");
}

TEST_F(Handlers, ControlsAreDisabledWhileACommandRunsAndEnabledAfter) {
    TimeDivisor fast(30);
    commands().N11Click();
    // The handler has returned: controls off, transaction state filled.
    EXPECT_FALSE(view.commandControlsEnabled());
    EXPECT_EQ(form->unit.busy, 1);
    EXPECT_EQ(form->unit.target, kG);
    EXPECT_EQ(form->unit.commandList, std::vector<std::string>{"$$02"});
    EXPECT_EQ(form->unit.descriptionList, std::vector<std::string>{"Проверка наличия контроллера"});
    // A second command while this one runs starts nothing.
    commands().N31Click();
    commands().InvokeMenuItem(0);
    commands().InvokeMenuItem(8);   // memory test
    commands().InvokeMenuItem(12);  // raw command: not even its dialog opens
    EXPECT_TRUE(view.CallsOf("input").empty());
    ASSERT_TRUE(RunUntilDone());
    const auto controls = view.CallsOf("controls");
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].number, 0);
    EXPECT_EQ(controls[1].number, 1);
    EXPECT_EQ(RequestCommands(), std::vector<std::string>{"$$02"});
    EXPECT_TRUE(form->unit.commandList.empty());
    EXPECT_TRUE(form->unit.descriptionList.empty());
    EXPECT_FALSE(form->unit.EventExists(TUnit::kReply1));
    // The controls were off from before the waiting balloon to after the outcome.
    const auto calls = view.Calls();
    std::vector<std::string> order;
    for (const auto& c : calls)
        if (c.what == "controls" || c.what == "balloon") order.push_back(c.what + std::to_string(c.number));
    EXPECT_EQ(order, (std::vector<std::string>{"controls0", "balloon0", "balloon0", "controls1"}));
}

// What identifies each PopupMenu1 item when it is invoked by position.
struct MenuCase {
    int position;
    int sub;
    const char* kind;  // "request": first command and description; "ask"/"input": the dialog
    const char* first;
    const char* second;
};

TEST_F(Handlers, InvokeMenuItemCallsTheHandlerAtEachPosition) {
    TimeDivisor fast(100);
    const MenuCase cases[] = {
        {0, -1, "request", "$$02", "Проверка наличия контроллера"},
        {1, -1, "request", "$$02011310111617121819", "Чтение параметров контроллера"},
        {2, -1, "input", "Изменение индекса контроллера", ""},
        {4, 0, "ask", "Дверь без датчика положения", ""},
        {4, 1, "ask", "Дверь с датчиком положения", ""},
        {4, 2, "ask", "Турникет без подтверждения прохода", ""},
        {4, 3, "ask", "Турникет с подтверждением прохода", ""},
        {4, 4, "ask", "Регистрационный терминал", ""},
        {5, 0, "request", "$$13", "Изменение режима работы контроллера: Off-line"},
        {5, 1, "request", "$$13", "Изменение режима работы контроллера: On-line"},
        {5, 2, "request", "$$13", "Изменение режима работы контроллера: Автономный"},
        {5, 4, "ask", "Начать ожидание мастер-карты?", ""},
        {5, 5, "request", "$$20212223241415", "Чтение мастер-карты"},
        {6, 0, "input", "Реле 1", ""},
        {6, 1, "input", "Реле 2", ""},
        {6, 2, "input", "Реле 3", ""},
        {6, 3, "input", "Реле 4", ""},
        {8, -1, "request", "/8", "Тест памяти"},
        {9, -1, "request", "$$02", "Тест линии"},
        {10, 0, "ask", "Начать тест реле 1?", ""},
        {10, 1, "ask", "Начать тест реле 2?", ""},
        {10, 2, "ask", "Начать тест реле 3?", ""},
        {10, 3, "ask", "Начать тест реле 4?", ""},
        {12, -1, "input", "Выполнить команду", ""},
    };
    for (const auto& c : cases) {
        const std::string where = std::to_string(c.position) + "." + std::to_string(c.sub);
        view.Clear();
        commands().InvokeMenuItem(c.position, c.sub);
        const std::string kind = c.kind;
        if (kind == "request") {
            ASSERT_EQ(form->unit.busy, 1) << where;
            ASSERT_FALSE(form->unit.commandList.empty()) << where;
            EXPECT_EQ(form->unit.commandList.front(), c.first) << where;
            // The mode items differ in their second description.
            const auto& d = form->unit.descriptionList;
            const bool described = std::any_of(d.begin(), d.end(), [&](const std::string& s) {
                return s.rfind(c.second, 0) == 0;
            });
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

TEST_F(Handlers, InvokeMenuItemIgnoresSeparatorsHeadersAndPositionsOutsideTheMenu) {
    const std::pair<int, int> nothing[] = {{3, -1}, {7, -1}, {11, -1}, {5, 3},  {4, -1}, {5, -1}, {6, -1},
                                           {10, -1}, {4, 5},  {5, 6},   {6, 4}, {10, 4}, {13, -1}, {-1, -1},
                                           {0, 0},   {12, 0}, {4, -2}};
    for (const auto& [position, sub] : nothing) {
        view.Clear();
        commands().InvokeMenuItem(position, sub);
        EXPECT_TRUE(view.Calls().empty()) << position << "." << sub;
        ExpectNothingStarted(std::to_string(position) + "." + std::to_string(sub));
    }
}

}  // namespace
}  // namespace tulex::test
