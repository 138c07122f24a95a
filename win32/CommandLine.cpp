#include "win32/CommandLine.h"

namespace tulex::win32 {

StartOptions ParseStartOptions(const std::vector<std::string>& arguments) {
    StartOptions options;
    for (std::size_t i = 0; i < arguments.size() && options.error.empty(); ++i) {
        const std::string& arg = arguments[i];
        auto value = [&](const std::string& name) -> std::string {
            if (i + 1 >= arguments.size()) {
                options.error = name + " needs a value";
                return {};
            }
            return arguments[++i];
        };
        std::string lower = arg;
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (i == 0 && lower == "-master") continue;
        if (arg == "--port" || arg == "-p") {
            options.port = value(arg);
        } else if (arg == "--speed" || arg == "-s") {
            options.speed = value(arg);
        } else if (arg == "--monitor") {
            options.monitor = true;
        } else if (arg == "--statistics") {
            options.statistics = true;
        } else if (arg == "--events") {
            options.events = true;
        } else if (arg == "--first-paint") {
            options.firstPaint = true;
        } else if (arg == "--screenshot") {
            options.screenshot = value(arg);
        } else if (arg == "--delay") {
            const std::string text = value(arg);
            int ms = 0;
            bool digits = !text.empty() && text.size() < 9;
            for (char c : text) {
                if (c < '0' || c > '9') digits = false;
                ms = ms * 10 + (c - '0');
            }
            if (options.error.empty() && !digits) options.error = "--delay needs a number of milliseconds";
            options.delayMs = ms;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else {
            options.error = "unknown argument: " + arg;
        }
    }
    if (options.error.empty() && !options.speed.empty() && options.port.empty()) options.error = "--speed needs --port";
    return options;
}

std::string UsageText() {
    return "usage: tulex [-master] [--port NAME [--speed N]] [--monitor] [--statistics] [--events]\n"
           "  -master            first argument only: show sent frames raw, log other masters\n"
           "  -p, --port NAME    select the port (COM3) and open it at start\n"
           "  -s, --speed N      speed for that open (default 9600)\n"
           "  --monitor          open the monitor window at start\n"
           "  --statistics       open the per-controller statistics at start\n"
           "  --events           show the event list (card and sensor events) at start\n"
           "  --first-paint      end once the window has painted (start-up measurement)\n"
           "  --screenshot FILE  save a PNG of the screen to FILE after --delay ms, then quit\n"
           "  --delay MS         how long to run before the picture (default 1500)\n"
           "  -h, --help         this text\n"
           "  --version          program version\n";
}

}  // namespace tulex::win32
