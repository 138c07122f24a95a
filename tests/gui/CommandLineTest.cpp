#include <gtest/gtest.h>

#include <QStringList>

#include "app/LineSession.h"
#include "gui/CommandLine.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"

namespace tulex {
namespace {

struct MasterCase {
    QStringList arguments;
    bool master;
};

TEST(CommandLine, MasterSwitchOnlyAsTheFirstArgumentInAnyCase) {
    const MasterCase cases[] = {
        {{"tulex"}, false},
        {{"tulex", "-master"}, true},
        {{"tulex", "-MASTER"}, true},
        {{"tulex", "-MaStEr", "--port", "x"}, true},
        {{"tulex", "--port", "x", "-master"}, false},
        {{"tulex", "x", "-master"}, false},
        {{"tulex", "-masterx"}, false},
        {{"tulex", "master"}, false},
        {{"tulex", "--master"}, false},
        {{"tulex", ""}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LineSession::IsMasterSwitch(ProgramArguments(c.arguments)), c.master)
            << c.arguments.join(' ').toStdString();
    }
}

TEST(CommandLine, WindowCaptionFollowsTheMasterSwitch) {
    {
        MainView view({"tulex"});
        EXPECT_EQ(view.window().windowTitle(), QStringLiteral("ТУЛЕКС 1.8"));
    }
    {
        MainView view({"tulex", "-Master"});
        EXPECT_EQ(view.window().windowTitle(), QStringLiteral("ТУЛЕКС master"));
        EXPECT_TRUE(view.session().settings().masterMode);
    }
    {
        MainView view({"tulex", "--port", "x", "-master"});
        EXPECT_EQ(view.window().windowTitle(), QStringLiteral("ТУЛЕКС 1.8"));
    }
}

TEST(CommandLine, StartOptions) {
    auto o = ParseStartOptions({"tulex", "-master", "--port", "/dev/pts/3", "--speed", "19200"});
    EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_EQ(o.port, "/dev/pts/3");
    EXPECT_EQ(o.speed, "19200");

    o = ParseStartOptions({"tulex", "--port", "SIM1", "--monitor", "--screenshot", "a.png", "--delay", "200"});
    EXPECT_TRUE(o.error.isEmpty());
    EXPECT_TRUE(o.monitor);
    EXPECT_FALSE(o.statistics);
    EXPECT_EQ(o.screenshot, "a.png");
    EXPECT_EQ(o.delayMs, 200);

    o = ParseStartOptions({"tulex", "--statistics"});
    EXPECT_TRUE(o.error.isEmpty());
    EXPECT_TRUE(o.statistics);

    o = ParseStartOptions(
        {"tulex", "--port", "SIM1", "--plan", "объект.csv", "--factory-index", "ь", "--plan-start", "apply"});
    EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_EQ(o.plan, "объект.csv");
    EXPECT_EQ(o.factoryIndex, "ь");
    EXPECT_EQ(o.planStart, "apply");

    // Faults on the command line are reported, never ignored.
    const QStringList bad[] = {
        {"tulex", "--port"},
        {"tulex", "--speed", "9600"},
        {"tulex", "--delay", "soon", "--screenshot", "x.png"},
        {"tulex", "--bogus"},
        {"tulex", "--port", "x", "-master"},  // -master is valid only first
        {"tulex", "--plan-start", "apply"},   // without --plan
        {"tulex", "--factory-index", "ь"},
        {"tulex", "--plan", "p.csv", "--plan-start", "now"},
    };
    for (const auto& args : bad) {
        EXPECT_FALSE(ParseStartOptions(args).error.isEmpty()) << args.join(' ').toStdString();
    }
    // Only unknown arguments wait for Qt to take out its own options.
    EXPECT_TRUE(ParseStartOptions({"tulex", "-platform", "offscreen"}).unknownArgument);
    EXPECT_FALSE(ParseStartOptions({"tulex", "--port"}).unknownArgument);
    EXPECT_TRUE(ParseStartOptions({"tulex", "--help"}).help);
    EXPECT_TRUE(ParseStartOptions({"tulex", "--version"}).version);
}

}  // namespace
}  // namespace tulex
