// Standard sets, modes, relay hold times and the master card against
// controllers on the in-memory line.

#include <gtest/gtest.h>

#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

class Configuration : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        controllers.Add(kG, DoorRegisters());
    }
};

TEST_F(Configuration, StandardSetsWriteTheirRegistersAfterYes) {
    const struct {
        MenuCommand menuCommand;
        const char* caption;
        const char* command;
        const char* reg13;
        const char* reg18;
    } sets[] = {
        {MenuCommand::PresetDoorWithoutSensor, "Дверь без датчика положения", "!13401014111416141714121418031913", "40",
         "03"},
        {MenuCommand::PresetDoorWithSensor, "Дверь с датчиком положения", "!13431014111416141714121418631973", "43",
         "63"},
        {MenuCommand::PresetTurnstileWithoutConfirmation, "Турникет без подтверждения прохода",
         "!134710051105160517051214182F191F", "47", "2F"},
        {MenuCommand::PresetTurnstileWithConfirmation, "Турникет с подтверждением прохода",
         "!134710051105160517051214186F195F", "47", "6F"},
        {MenuCommand::PresetRegistrationTerminal, "Регистрационный терминал", "!1300100F110F161E170A121418FF19FF", "00",
         "FF"},
    };
    for (const auto& s : sets) {
        const std::string before = line.Written();
        const std::size_t monitorBefore = SentDescriptions().size();
        view.QueueYesNo(true);
        commands().Run(s.menuCommand);
        ASSERT_TRUE(RunUntilDone()) << s.caption;
        EXPECT_EQ(HexBytes(line.Written().substr(before.size())), HexBytes(Request(kG, s.command) + kClear + Poll(kG)));
        EXPECT_EQ(SentDescriptions().at(monitorBefore),
                  Described(kG, std::string("Изменение параметров контроллера: ") + s.caption));
        EXPECT_EQ(LastBalloon().text, "Праметры контроллера изменены.");
        EXPECT_EQ(LastBalloon().colour, kSuccessColour);
        EXPECT_EQ(controllers.Register(kG, 13), s.reg13);
        EXPECT_EQ(controllers.Register(kG, 18), s.reg18);
    }
}

TEST_F(Configuration, StandardSetErrorReplyAndSilence) {
    controllers.Add(kG, DoorRegisters(), Answer::Error);
    view.QueueYesNo(true);
    commands().ApplyPreset(Preset::RegistrationTerminal);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
    controllers.Add(kG, DoorRegisters(), Answer::Silent);
    view.QueueYesNo(true);
    commands().ApplyPreset(Preset::RegistrationTerminal);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Monitor().back(), "   TIMEOUT");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
}

// ---------------------------------------------------------------- modes

TEST_F(Configuration, ModeChangeKeepsTheOptionBitsOfRegister13) {
    const struct {
        MenuCommand menuCommand;
        const char* write;
        const char* description;
        const char* result;
    } modes[] = {
        {MenuCommand::ModeOffline, "!1347", "Изменение режима работы контроллера: Off-line",
         "Off-line режим установлен."},
        {MenuCommand::ModeOnline, "!1307", "Изменение режима работы контроллера: On-line", "On-line режим установлен."},
        {MenuCommand::ModeAutonomous, "!1367", "Изменение режима работы контроллера: Автономный",
         "Автономный режим установлен."},
    };
    for (const auto& m : modes) {
        controllers.Add(kG, {{"13", "47"}});
        const std::string before = line.Written();
        const std::size_t sentBefore = SentDescriptions().size();
        commands().Run(m.menuCommand);
        ASSERT_TRUE(RunUntilDone()) << m.write;
        EXPECT_EQ(HexBytes(line.Written().substr(before.size())),
                  HexBytes(Request(kG, "$$13") + kClear + Poll(kG) + Request(kG, m.write) + kClear + Poll(kG)));
        const auto all = SentDescriptions();
        const std::vector<std::string> sent(all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end());
        ASSERT_EQ(sent.size(), 6u);
        EXPECT_EQ(sent[0], Described(kG, "Изменение режима работы контроллера: Запрос режима работы"));
        EXPECT_EQ(sent[3], Described(kG, m.description));
        EXPECT_EQ(LastBalloon().text, m.result);
        EXPECT_EQ(LastBalloon().colour, kSuccessColour);
        EXPECT_EQ(controllers.Register(kG, 13), std::string(m.write).substr(3));
    }
}

TEST_F(Configuration, ModeChangeWritesTheKeptDigitInUpperCase) {
    controllers.Add(kG, {}, Answer::Positive);
    controllers.SetDataOverride(kG, "0b");  // a lower-case digit in the data reply
    commands().SetMode(Mode::Offline);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(RequestCommands(), (std::vector<std::string>{"$$13", "!134B"}));
    EXPECT_EQ(LastBalloon().text, "Off-line режим установлен.");
}

TEST_F(Configuration, ModeChangeSendsNoWriteForAReplyWithoutALowDigit) {
    for (const char* reply : {"4", "", "4Z", "4 "}) {
        controllers.Add(kG, {{"13", "47"}});
        controllers.SetDataOverride(kG, reply);
        const std::size_t before = RequestCommands().size();
        commands().SetMode(Mode::Autonomous);
        ASSERT_TRUE(RunUntilDone()) << reply;
        const auto sent = RequestCommands();
        EXPECT_EQ(sent.size(), before + 1) << "no write after \"" << reply << "\"";
        EXPECT_EQ(sent.back(), "$$13");
        EXPECT_EQ(LastBalloon().text, "Неверный ответ контроллера.") << reply;
        EXPECT_EQ(LastBalloon().colour, kFailureColour);
        EXPECT_EQ(controllers.Register(kG, 13), "47");
    }
}

TEST_F(Configuration, ModeChangeReadFailuresSendNoWrite) {
    // Error reply to the read.
    controllers.Add(kG, {{"13", "47"}}, Answer::Error);
    commands().SetMode(Mode::Offline);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.");
    // Silence.
    controllers.Add(kG, {{"13", "47"}}, Answer::Silent);
    commands().SetMode(Mode::Offline);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Monitor().back(), "   TIMEOUT");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    // Acknowledged, but the data reply never comes.
    controllers.Add(kG, {{"13", "47"}});
    controllers.SetWithholdData(kG, true);
    commands().SetMode(Mode::Offline);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Monitor().back(), "   TIMEOUT");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    EXPECT_EQ(RequestCommands(), (std::vector<std::string>{"$$13", "$$13", "$$13"}));
}

TEST_F(Configuration, ModeChangeWriteRefused) {
    // The controller reads, but its memory refuses the write.
    controllers.Add(kG, {{"13", "47"}}, Answer::Positive);
    controllers.Change(kG, [](sim::ControllerBehaviour& b) { b.refusesWrites = true; });
    commands().SetMode(Mode::Online);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(RequestCommands(), (std::vector<std::string>{"$$13", "!1307"}));
    EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.");
    EXPECT_EQ(LastBalloon().colour, kFailureColour);
}

// ---------------------------------------------------------------- relay hold times

TEST_F(Configuration, RelayHoldTimesGoOutInTenths) {
    const struct {
        MenuCommand menuCommand;
        const char* typed;
        const char* command;
        const char* description;
    } cases[] = {
        {MenuCommand::RelayTime1, "0.15", "!1001", "Изменение параметров реле 1: 0.15 с"},
        {MenuCommand::RelayTime1, " 2.50 ", "!1019", "Изменение параметров реле 1: 2.50 с"},
        {MenuCommand::RelayTime2, "2.5", "!1119", "Изменение параметров реле 2: 2.5 с"},
        {MenuCommand::RelayTime3, "25.5", "!16FF", "Изменение параметров реле 3: 25.5 с"},
        {MenuCommand::RelayTime4, "0.1", "!1701", "Изменение параметров реле 4: 0.1 с"},
    };
    for (const auto& c : cases) {
        const std::string before = line.Written();
        const std::size_t sentBefore = SentDescriptions().size();
        view.QueueInput(c.typed);
        commands().Run(c.menuCommand);
        ASSERT_TRUE(RunUntilDone()) << c.typed;
        EXPECT_EQ(HexBytes(line.Written().substr(before.size())), HexBytes(Request(kG, c.command) + kClear + Poll(kG)));
        EXPECT_EQ(SentDescriptions().at(sentBefore), Described(kG, c.description));
        EXPECT_EQ(LastBalloon().text, "Время удержания реле установлено.");
        EXPECT_EQ(LastBalloon().colour, kSuccessColour);
    }
    EXPECT_EQ(controllers.Register(kG, 10), "19");
    EXPECT_EQ(controllers.Register(kG, 16), "FF");
    // The last text is offered by every relay's dialog.
    view.QueueInput(std::nullopt);
    commands().SetRelayTime(2);
    EXPECT_EQ(view.lastInputInitial(), "0.1");
}

TEST_F(Configuration, RelayTimeAndMasterCardFailures) {
    const struct {
        const char* name;
        MenuCommand menuCommand;
        bool asks;  // a question first, else the relay dialog
    } commandsUnderTest[] = {
        {"relay 2", MenuCommand::RelayTime2, false},
        {"master card", MenuCommand::SetMasterCard, true},
    };
    for (const auto& c : commandsUnderTest) {
        for (const Answer answer : {Answer::Error, Answer::Silent}) {
            controllers.Add(kG, DoorRegisters(), answer);
            if (c.asks)
                view.QueueYesNo(true);
            else
                view.QueueInput("2.5");
            commands().Run(c.menuCommand);
            ASSERT_TRUE(RunUntilDone()) << c.name;
            if (answer == Answer::Error) {
                EXPECT_EQ(Monitor().back(), Received("ERROR")) << c.name;
                EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.") << c.name;
            } else {
                EXPECT_EQ(Monitor().back(), "   TIMEOUT") << c.name;
                EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.") << c.name;
            }
            EXPECT_EQ(LastBalloon().colour, kFailureColour) << c.name;
        }
    }
    EXPECT_EQ(RequestCommands(), (std::vector<std::string>{"!1119", "!1119", "$4", "$4"}));
}

// ---------------------------------------------------------------- master card

TEST_F(Configuration, SetMasterCardAfterYes) {
    view.QueueYesNo(true);
    commands().SetMasterCard();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$4") + kClear + Poll(kG)));
    EXPECT_EQ(SentDescriptions().front(), Described(kG, "Задание мастер-карты"));
    EXPECT_EQ(LastBalloon().text, "Поднесите мастер-карту.");
    EXPECT_EQ(LastBalloon().colour, kSuccessColour);
}

TEST_F(Configuration, ReadMasterCardShowsItsReport) {
    commands().ReadMasterCard();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$20212223241415") + kClear + Poll(kG)));
    EXPECT_EQ(SentDescriptions().front(), Described(kG, "Чтение мастер-карты"));
    const auto b = LastBalloon();
    EXPECT_EQ(b.caption, "Информация");
    EXPECT_EQ(b.text,
              "\nНомер мастер-карты — 00001A2B3C"
              "\n\nВремя ожидания мастер-карты — 3 с"
              "\n\nВремя удержания для очистки памяти — 1 с");
    EXPECT_EQ(b.colour, kReportColour);
}

TEST_F(Configuration, ReadMasterCardFailuresAndShortReply) {
    controllers.SetDataOverride(kG, "00001A2B");
    commands().ReadMasterCard();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(LastBalloon().text,
              "\nНомер мастер-карты — 00001A2B\n\nВремя ожидания мастер-карты — ?"
              "\n\nВремя удержания для очистки памяти — ?");
    controllers.SetWithholdData(kG, true);
    commands().ReadMasterCard();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Monitor().back(), "   TIMEOUT");
    EXPECT_EQ(LastBalloon().text, "Время ожидания ответа истекло.");
    controllers.Add(kG, DoorRegisters(), Answer::Error);
    commands().ReadMasterCard();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(LastBalloon().text, "Контроллера нет в линии.");
}

}  // namespace
}  // namespace tulex::test
