#pragma once
// The command line of the Win32 window program, as the Qt window has it:
//   tulex [-master] [--port NAME [--speed N]] [--monitor] [--statistics]
//         [--events] [--first-paint] [--screenshot FILE [--delay MS]]
//   tulex --help | --version
// "-master" counts only as the very first argument (LineSession decides).

#include <string>
#include <vector>

namespace tulex::win32 {

struct StartOptions {
    std::string port;         // opened at start when not empty
    std::string speed;        // speed box text for that open; empty keeps "9600"
    bool monitor = false;     // open the monitor window at start
    bool statistics = false;  // open the statistics window at start
    bool events = false;      // open the event list at start
    bool firstPaint = false;  // end once the window has painted (the start-up measurement)
    std::string screenshot;   // save a PNG of the screen there after delayMs, then quit
    int delayMs = 1500;
    bool help = false;
    bool version = false;
    std::string error;  // non-empty: bad command line, the message to show
};

// arguments: after the program name, UTF-8.
StartOptions ParseStartOptions(const std::vector<std::string>& arguments);
std::string UsageText();

}  // namespace tulex::win32
