#include "gui/CommandLine.h"

namespace tulex {

std::vector<std::string> ProgramArguments(const QStringList& arguments) {
    std::vector<std::string> result;
    for (qsizetype i = 1; i < arguments.size(); ++i) result.push_back(arguments.at(i).toStdString());
    return result;
}

StartOptions ParseStartOptions(const QStringList& arguments) {
    StartOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        auto value = [&](const QString& name) -> QString {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("%1 needs a value").arg(name);
                return {};
            }
            return arguments.at(++i);
        };
        if (i == 1 && arg.toLower() == QStringLiteral("-master")) continue;
        if (arg == QStringLiteral("--port") || arg == QStringLiteral("-p")) {
            options.port = value(arg);
        } else if (arg == QStringLiteral("--speed") || arg == QStringLiteral("-s")) {
            options.speed = value(arg);
        } else if (arg == QStringLiteral("--monitor")) {
            options.monitor = true;
        } else if (arg == QStringLiteral("--statistics")) {
            options.statistics = true;
        } else if (arg == QStringLiteral("--events")) {
            options.events = true;
        } else if (arg == QStringLiteral("--plan")) {
            options.plan = value(arg);
        } else if (arg == QStringLiteral("--factory-index")) {
            options.factoryIndex = value(arg);
        } else if (arg == QStringLiteral("--plan-start")) {
            options.planStart = value(arg);
            if (options.error.isEmpty() && options.planStart != QStringLiteral("audit") &&
                options.planStart != QStringLiteral("apply"))
                options.error = QStringLiteral("--plan-start takes audit or apply");
        } else if (arg == QStringLiteral("--screenshot")) {
            options.screenshot = value(arg);
        } else if (arg == QStringLiteral("--delay")) {
            bool ok = false;
            options.delayMs = value(arg).toInt(&ok);
            if (options.error.isEmpty() && (!ok || options.delayMs < 0)) {
                options.error = QStringLiteral("--delay needs a number of milliseconds");
            }
        } else if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            options.help = true;
        } else if (arg == QStringLiteral("--version")) {
            options.version = true;
        } else {
            options.error = QStringLiteral("unknown argument: %1").arg(arg);
            options.unknownArgument = true;
        }
        if (!options.error.isEmpty()) break;
    }
    if (options.error.isEmpty() && !options.speed.isEmpty() && options.port.isEmpty()) {
        options.error = QStringLiteral("--speed needs --port");
    }
    if (options.error.isEmpty() && (!options.planStart.isEmpty() || !options.factoryIndex.isEmpty()) &&
        options.plan.isEmpty()) {
        options.error = QStringLiteral("--plan-start and --factory-index need --plan");
    }
    return options;
}

QString UsageText() {
    return QStringLiteral(
        "usage: tulex [-master] [--port NAME [--speed N]] [--monitor] [--statistics] [--events]\n"
        "             [--plan FILE [--factory-index X] [--plan-start audit|apply]] [--screenshot FILE [--delay MS]]\n"
        "  -master            first argument only: show sent frames raw, log other masters\n"
        "  -p, --port NAME    select the port (device name or path) and open it at start\n"
        "  -s, --speed N      speed for that open (default 9600)\n"
        "  --monitor          open the monitor window at start\n"
        "  --statistics       open the per-controller statistics at start\n"
        "  --events           show the event list (card and sensor events) at start\n"
        "  --plan FILE        open the plan window with the plan FILE (CSV or JSON)\n"
        "  --factory-index X  the plan window's factory index (new controllers answer at X)\n"
        "  --plan-start T     then check the line against it (audit) or apply it (apply)\n"
        "  --screenshot FILE  save a PNG of the screen to FILE after --delay ms, then quit\n"
        "  --delay MS         how long to run before the picture (default 1500)\n"
        "  -h, --help         this text\n"
        "  --version          program version\n");
}

}  // namespace tulex
