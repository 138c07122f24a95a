// The search over tulex-sim's line model in memory: the controllers the line
// has are found and nothing else, each probe given its 300 ms on the clock.

#include <gtest/gtest.h>

#include <memory>

#include "app/ControllerCommands.h"
#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "controller/LineMap.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/RunOnLine.h"
#include "tests/support/VirtualLine.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

TEST(SearchOnLine, FindsTheLinesControllersAtThreeHundredMillisecondsAProbe) {
    ManualClock clock;
    VirtualLine line(clock);
    for (const std::uint8_t index : {0x47, 0xC6, 0xFC}) ASSERT_NE(line.AddController(index), nullptr);
    QueueDispatcher dispatcher;
    RecordingView view;
    LineSession session(view, dispatcher, line.MakePort(), clock);
    session.OpenPort(VirtualLine::kPortName, "9600");
    ASSERT_TRUE(session.IsPortOpen());

    const auto started = clock.Now();
    session.controller().SearchControllers();
    ASSERT_TRUE(RunOnLine(dispatcher, clock, line,
                          [&] { return session.transaction().busy == 0 && view.commandControlsEnabled(); }));
    dispatcher.ProcessPending();

    for (const std::uint8_t index : {0x47, 0xC6, 0xFC})
        EXPECT_TRUE(session.map().HasIndex(index, MapSet::Present)) << int{index};
    EXPECT_EQ(view.panel(1), "3");
    EXPECT_EQ(view.panel(2), "0");
    // Every index probed once; the three that answer end their probe early,
    // every other one waits its full 300 ms.
    const auto requests = line.Requests();
    ASSERT_EQ(requests.size(), 182u);
    EXPECT_EQ(clock.Now() - started, 179 * 300ms);
    EXPECT_EQ(requests[1].at - requests[0].at, 0ms) << "G answered at once";
    EXPECT_EQ(requests[2].at - requests[1].at, 300ms) << "nobody at H";
    session.ClosePort();
}

}  // namespace
}  // namespace tulex::test
