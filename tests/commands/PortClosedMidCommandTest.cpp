// A command whose port closes under it (the operator's "Закрыть" or the
// converter pulled out) ends at once: no time-out after the close, no
// outcome, the controls back, and the next open runs commands as before.

#include <algorithm>

#include "tests/support/CommandFixture.h"

namespace tulex::test {
namespace {

struct CloseCase {
    const char* name;
    MenuCommand command;
    bool deviceLost;  // false: the operator closes the port
};

class PortClosedMidCommand : public CommandFixture, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(PortClosedMidCommand, EndsTheWaitAtOnce) {
    const CloseCase& c = GetParam();
    // Nothing on the line answers: the command waits for its reply.
    commands().Run(c.command);
    ASSERT_TRUE(RunUntil([&] { return !line.Requests().empty(); }));
    const auto closedAt = clock.Now();
    if (c.deviceLost)
        line.HangUp();
    else
        session->ClosePort();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(clock.Now(), closedAt) << "the limit was waited out";
    EXPECT_FALSE(session->IsPortOpen());
    const auto monitor = Monitor();
    ASSERT_FALSE(monitor.empty());
    EXPECT_NE(monitor.back().find("Порт закрыт."), std::string::npos) << monitor.back();
    EXPECT_EQ(std::count(monitor.begin(), monitor.end(), "   TIMEOUT"), 0);
    EXPECT_NE(LastBalloon().colour, kFailureColour) << "no outcome is shown for a command cut off";
    EXPECT_TRUE(view.commandControlsEnabled());
}

INSTANTIATE_TEST_SUITE_P(Commands, PortClosedMidCommand,
                         ::testing::Values(CloseCase{"presence_closed", MenuCommand::CheckPresence, false},
                                           CloseCase{"presence_device_lost", MenuCommand::CheckPresence, true},
                                           CloseCase{"parameters_closed", MenuCommand::ReadParameters, false},
                                           CloseCase{"parameters_device_lost", MenuCommand::ReadParameters, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortClosedMidCommand, TheIndexChangeEndsInsteadOfRepeatingItsCommand) {
    // The new index's probe waits; the port closes; the index command's
    // loop must not go on sending into a closed port.
    view.QueueInput("H");
    commands().ChangeIndex();
    ASSERT_TRUE(RunUntil([&] { return !line.Requests().empty(); }));
    session->ClosePort();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(line.Requests().size(), 1u);
    EXPECT_NE(LastBalloon().colour, kFailureColour);
    EXPECT_TRUE(view.commandControlsEnabled());
}

TEST_F(PortClosedMidCommand, TheNextOpenWaitsForRepliesAgain) {
    commands().CheckPresence();
    ASSERT_TRUE(RunUntil([&] { return !line.Requests().empty(); }));
    session->ClosePort();
    ASSERT_TRUE(RunUntilDone());

    controllers.Add(kG, DoorRegisters());
    session->OpenPort(VirtualLine::kPortName, "9600");
    ASSERT_TRUE(session->IsPortOpen());
    commands().CheckPresence();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(LastBalloon().text, "Контроллер есть в линии.");
}

}  // namespace
}  // namespace tulex::test
