#pragma once
// The command line of the window program:
//   tulex [-master] [--port NAME [--speed N]] [--monitor] [--statistics] [--events]
//         [--plan FILE [--factory-index X] [--plan-start audit|apply]] [--screenshot FILE [--delay MS]]
//   tulex --help | --version
// "-master" counts only as the very first argument (LineSession decides).

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace tulex {

// The arguments after the program name, as UTF-8.
std::vector<std::string> ProgramArguments(const QStringList& arguments);

struct StartOptions {
    QString port;             // opened at start when not empty
    QString speed;            // speed box text for that open; empty keeps "9600"
    bool monitor = false;     // open the monitor window at start
    bool statistics = false;  // open the statistics table at start
    bool events = false;      // show the event list at start
    QString plan;             // open the plan window with this plan at start
    QString factoryIndex;     // the plan window's factory index
    QString planStart;        // then start it: "audit" or "apply" (empty: do not)
    QString screenshot;       // save a picture of the screen there, then quit
    int delayMs = 1500;       // how long to run before the picture
    bool help = false;
    bool version = false;
    QString error;  // non-empty: bad command line, the message to print
    // The error is an argument we do not know; before Qt has taken its own
    // options (-platform, -display...) out of the list that is not yet final.
    bool unknownArgument = false;
};

// arguments: QCoreApplication::arguments() (program name first).
StartOptions ParseStartOptions(const QStringList& arguments);
QString UsageText();

}  // namespace tulex
