#include "cli/CliOptions.h"

#include <charconv>
#include <cstdio>
#include <string_view>

namespace tulex::cli {
namespace {

bool ParseOnOff(std::string_view text, bool& value) {
    if (text == "on") {
        value = true;
        return true;
    }
    if (text == "off") {
        value = false;
        return true;
    }
    return false;
}

}  // namespace

std::optional<CliOptions> ParseCliOptions(int argc, char** argv, std::string& error) {
    CliOptions o;
    int i = 1;
    auto needValue = [&](std::string_view opt) -> const char* {
        if (i + 1 >= argc) {
            error = "option " + std::string(opt) + " needs a value";
            return nullptr;
        }
        return argv[++i];
    };
    for (; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a.empty() || a[0] != '-' || a == "-") break;  // the command
        if (a == "-h" || a == "--help") {
            o.help = true;
            continue;
        }
        if (a == "--version") {
            o.version = true;
            continue;
        }
        if (a == "--master") {
            o.master = true;
            continue;
        }
        if (a == "--yes") {
            o.yes = true;
            continue;
        }
        if (a == "--json") {
            o.json = true;
            continue;
        }
        if (a == "-p" || a == "--port") {
            const char* v = needValue(a);
            if (!v) return std::nullopt;
            o.port = v;
            continue;
        }
        if (a == "-s" || a == "--speed") {
            const char* v = needValue(a);
            if (!v) return std::nullopt;
            o.speed = v;
            continue;
        }
        if (a == "--monitor") {
            const char* v = needValue(a);
            if (!v) return std::nullopt;
            o.monitorPath = v;
            continue;
        }
        bool* flag = nullptr;
        if (a == "--readers")
            flag = &o.readers;
        else if (a == "--sensors")
            flag = &o.sensors;
        else if (a == "--online-answer")
            flag = &o.onlineAnswer;
        else if (a == "--sensor-answer")
            flag = &o.sensorAnswer;
        if (flag) {
            const char* v = needValue(a);
            if (!v) return std::nullopt;
            if (!ParseOnOff(v, *flag)) {
                error = "option " + std::string(a) + " takes on or off";
                return std::nullopt;
            }
            continue;
        }
        error = "unknown option " + std::string(a);
        return std::nullopt;
    }
    if (i < argc) {
        o.command = argv[i++];
        for (; i < argc; ++i) o.args.emplace_back(argv[i]);
    }
    return o;
}

bool TakeSecondsOption(std::vector<std::string>& args, std::optional<double>& seconds, std::string& error) {
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (args[k] != "--seconds") continue;
        if (k + 1 >= args.size()) {
            error = "--seconds needs a number";
            return false;
        }
        const std::string& text = args[k + 1];
        double v = 0;
        const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || ptr != text.data() + text.size() || !(v > 0)) {
            error = "--seconds needs a positive number, not \"" + text + "\"";
            return false;
        }
        seconds = v;
        args.erase(args.begin() + static_cast<long>(k), args.begin() + static_cast<long>(k) + 2);
        return true;
    }
    return true;
}

void PrintUsage() {
    std::fputs(
        "Usage: tulex-cli [OPTIONS] COMMAND [ARGS...]\n"
        "\n"
        "The ТУЛЕКС engine without a window: the same handlers as the menus.\n"
        "\n"
        "Options:\n"
        "  -p, --port NAME             port name or path (ttyUSB0, SIM1, /dev/pts/7; COM3 on Windows)\n"
        "  -s, --speed N               speed in bit/s (default 9600)\n"
        "      --master                master mode: sent frames shown raw, other masters shown\n"
        "      --readers on|off        card events from readers (default on)\n"
        "      --sensors on|off        sensor events (default off)\n"
        "      --online-answer on|off  answer on-line requests automatically (default off)\n"
        "      --sensor-answer on|off  answer sensor events automatically (default on)\n"
        "      --monitor PATH|-        write monitor lines to PATH (Windows-1251, CR LF) or - (stderr)\n"
        "      --yes                   answer Yes to the questions\n"
        "      --json                  print the outcome as JSON\n"
        "  -h, --help                  this text\n"
        "      --version               program version\n"
        "\n"
        "Commands:\n"
        "  ports                       list the ports, one per line (a tab and the device's name where known);\n"
        "                              \"  (нет прав)\" after a port this user may not open (not in the group "
        "dialout)\n"
        "  listen [--seconds N] [--stats] [--reconnect]\n"
        "                              show the line: monitor lines, card and sensor pop-ups (until N s or Ctrl+C);\n"
        "                              --stats: the per-controller statistics at the end; --reconnect: wait for a\n"
        "                              lost port (the same adapter) and reopen it\n"
        "  stats [--seconds N] [--reconnect]  listen and print only the per-controller statistics\n"
        "  check IDX                   is the controller on the line\n"
        "  params IDX                  read and decode the controller's parameters\n"
        "  set-index IDX NEW           give the controller the index NEW\n"
        "  mode IDX offline|online|autonomous   set the operating mode (option bits kept)\n"
        "  preset IDX 1..5             load a standard parameter set (asks; --yes)\n"
        "  relay-time IDX 1..4 TEXT    set a relay hold time, TEXT seconds 0.1..25.5\n"
        "  master-card IDX set|read    wait for a master card (asks; --yes) or read it\n"
        "  eeprom-test IDX             the controller's memory test (up to 63 s)\n"
        "  line-test IDX [--seconds N] presence requests back to back until stopped (N s or Ctrl+C)\n"
        "  relay-test IDX 1..4 [--seconds N]  switch the relay until stopped (asks; --yes)\n"
        "  raw IDX TEXT                send TEXT to the controller as typed\n"
        "  search [--seconds N]        probe every index; prints the present and reply-only sets\n"
        "  converter info              read the converter's version, poll range and speeds\n"
        "  converter poll-range TEXT   change the upper index of the converter's poll range (H..Ж)\n"
        "  converter raw TEXT          send a raw command to the converter (TEXT may be empty)\n"
        "  plan template FILE          write an empty commissioning plan (CSV) to fill in\n"
        "  plan audit [FILE] [--report FILE.html]   read the controllers, show what differs from the plan\n"
        "  plan apply FILE [--factory-index X] [--connect-wait SECONDS] [--report FILE.html] [--site NAME]\n"
        "                              set every row's controller as planned, each write read back\n"
        "\n"
        "Exit status: 0 success or report, 1 failure outcome, 2 usage error or refused input,\n"
        "3 the port could not be opened.\n",
        stdout);
}

}  // namespace tulex::cli
