#include "sim/SimOptions.h"

#include "line/HexDigits.h"
#include "sim/SimCommands.h"
#include "sim/SimConverter.h"

#include <cstdlib>
#include <string_view>

namespace tulex::sim {

namespace {

std::optional<int> Milliseconds(const std::string& text) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 86'400'000) return std::nullopt;
    return static_cast<int>(v);
}

bool TwoHex(const std::string& v) { return v.size() == 2 && IsLineHexDigit(v[0]) && IsLineHexDigit(v[1]); }

}  // namespace

std::string SimHelpText() {
    std::string text =
        "Usage: tulex-sim [--scenario FILE] [--controllers LIST] [--reply ack|positive]\n"
        "                 [--absent silent|error] [--echo] [--trace FILE|-] [OPTIONS...]\n"
        "\n"
        "A virtual access-control line on a pseudo-terminal: the RS232/RS485 converter\n"
        "(address 0xFE) and controllers that answer requests, keep their registers and\n"
        "send card and sensor events. The first line on standard output is the short\n"
        "name and the path of the port (\"SIM1 /dev/pts/7\"); the short name is a symlink\n"
        "in the simulator directory ($TULEX_SIM_DIR, else $XDG_RUNTIME_DIR/tulex, else\n"
        "/tmp/tulex-UID), so the tool lists and opens it as SIM1. It runs until SIGINT,\n"
        "SIGTERM, SIGHUP, \"quit\" or the end of standard input, and then removes the\n"
        "symlink.\n"
        "With neither --scenario nor --controllers it runs the demo line.\n"
        "\n"
        "Options:\n"
        "  --scenario FILE          read the line from a JSON scenario (keys: sim/README.md,\n"
        "                           installed as /usr/share/doc/tulex-sim/README.md)\n"
        "  --controllers LIST       controllers with default registers at these indexes,\n"
        "                           comma-separated: G,H,Ж or 0x47,0xC6 (besides the scenario's)\n"
        "  --reply ack|positive     answer style of the line: \"!\" now and the data reply at\n"
        "                           the next poll frame (ack, default), or \"$?\" followed by the\n"
        "                           data reply at once (positive)\n"
        "  --absent silent|error    requests to an index without a controller: no answer\n"
        "                           (default) or the error reply \"#?\"\n"
        "  --echo                   the converter returns every byte the PC sends (local echo)\n"
        "  --trace FILE|-           trace every frame in both directions (time, hex, meaning)\n"
        "                           to FILE, or to standard error with -\n"
        "  --delay MS               answer delay of every controller (default 0)\n"
        "  --silent                 no controller answers anything (events still come)\n"
        "  --error-reply            every controller answers the error reply \"#?\"\n"
        "  --device-error           every controller answers the device error reply \"&?\"\n"
        "  --eeprom-delay MS        memory test (\"/8\") result after MS (default 2000)\n"
        "  --eeprom-fail            every memory test ends with 45 (error) instead of 21\n"
        "  --event-interval MS      a card event from a random controller every MS (0: none)\n"
        "  --online-interval MS     an on-line request (channel 1 or 2) every MS (0: none)\n"
        "  --sensor-interval MS     a sensor event every MS (0: none)\n"
        "  --answer-timeout MS      how long an automatic answer may take before it counts\n"
        "                           as missed (default 1000)\n"
        "  --converter-version XX   the converter's version code (default 21, read as S4.3)\n"
        "  --poll-upper IDX         upper index of the converter's poll range (H..Ж, default Ж)\n"
        "  --speed XX               the converter's speed digits (default 08)\n"
        "  --seed N                 seed of the random event data\n"
        "  --no-stdin               ignore standard input (run until SIGINT/SIGTERM), for\n"
        "                           starting it in the background with no input\n"
        "  -h, --help               this text\n"
        "  --version                program version\n"
        "\n"
        "Command-line settings override those of the scenario. The per-controller\n"
        "settings (answer style, silence, error replies, delay, memory test result, \"no\n"
        "data after ack\") and every event and fault are scenario keys or stdin commands.\n"
        "\n";
    text += CommandHelp();
    text +=
        "\n"
        "Exit status: 0 after a normal end, 1 if the pseudo-terminal or its announcement\n"
        "could not be set up, 2 for a usage error or a bad scenario.\n";
    return text;
}

std::optional<SimOptions> ParseSimOptions(int argc, char** argv, std::string& error) {
    SimOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInline = true;
            }
        }
        auto next = [&](std::string& out) {
            if (hasInline) {
                out = value;
                return true;
            }
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto ms = [&](std::optional<int>& out) {
            std::string v;
            if (!next(v)) return false;
            out = Milliseconds(v);
            if (!out) error = arg + ": \"" + v + "\" is not a number of milliseconds";
            return out.has_value();
        };
        std::string v;
        if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--scenario") {
            if (!next(o.scenarioPath)) return std::nullopt;
        } else if (arg == "--controllers") {
            if (!next(v)) return std::nullopt;
            std::size_t start = 0;
            while (start <= v.size()) {
                const auto comma = v.find(',', start);
                const std::string item =
                    v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                const auto index = ParseIndex(item);
                if (!index) {
                    error = "--controllers: \"" + item + "\" is not a controller index (G..ь or 0x47..0xFC)";
                    return std::nullopt;
                }
                for (const auto seen : o.controllers)
                    if (seen == *index) {
                        error = "--controllers: \"" + item + "\" is given twice";
                        return std::nullopt;
                    }
                o.controllers.push_back(*index);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (arg == "--reply") {
            if (!next(v)) return std::nullopt;
            o.reply = ParseReplyStyle(v);
            if (!o.reply) {
                error = "--reply: ack or positive";
                return std::nullopt;
            }
        } else if (arg == "--absent") {
            if (!next(v)) return std::nullopt;
            if (v != "silent" && v != "error") {
                error = "--absent: silent or error";
                return std::nullopt;
            }
            o.absentError = v == "error";
        } else if (arg == "--echo") {
            o.echo = true;
        } else if (arg == "--silent") {
            o.silent = true;
        } else if (arg == "--error-reply") {
            o.errorReply = true;
        } else if (arg == "--device-error") {
            o.deviceError = true;
        } else if (arg == "--trace") {
            if (!next(o.tracePath)) return std::nullopt;
            if (o.tracePath.empty()) {
                error = "--trace: a file name or -";
                return std::nullopt;
            }
        } else if (arg == "--delay") {
            if (!ms(o.delayMs)) return std::nullopt;
        } else if (arg == "--eeprom-delay") {
            if (!ms(o.eepromDelayMs)) return std::nullopt;
        } else if (arg == "--eeprom-fail") {
            o.eepromFail = true;
        } else if (arg == "--event-interval") {
            if (!ms(o.cardIntervalMs)) return std::nullopt;
        } else if (arg == "--online-interval") {
            if (!ms(o.onlineIntervalMs)) return std::nullopt;
        } else if (arg == "--sensor-interval") {
            if (!ms(o.sensorIntervalMs)) return std::nullopt;
        } else if (arg == "--answer-timeout") {
            if (!ms(o.answerTimeoutMs)) return std::nullopt;
            if (*o.answerTimeoutMs == 0) {
                error = "--answer-timeout: at least 1 ms";
                return std::nullopt;
            }
        } else if (arg == "--converter-version") {
            if (!next(v)) return std::nullopt;
            if (v.size() != 2 || !IsLineHexDigit(v[0]) || v[1] == '?') {
                error = "--converter-version: two characters, the first a hex digit 0-9/A-F";
                return std::nullopt;
            }
            o.converterVersion = v;
        } else if (arg == "--poll-upper") {
            if (!next(v)) return std::nullopt;
            o.pollUpper = ParseByte(v);
            if (!o.pollUpper || *o.pollUpper < SimConverter::kLowestUpper ||
                *o.pollUpper > SimConverter::kHighestUpper) {
                error = "--poll-upper: an index from H to Ж";
                return std::nullopt;
            }
        } else if (arg == "--speed") {
            if (!next(v)) return std::nullopt;
            if (!TwoHex(v)) {
                error = "--speed: two hex digits 0-9/A-F";
                return std::nullopt;
            }
            o.speedDigits = v;
        } else if (arg == "--seed") {
            if (!next(v)) return std::nullopt;
            char* end = nullptr;
            const unsigned long n = std::strtoul(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || n > 0xFFFFFFFFul) {
                error = "--seed: a whole number";
                return std::nullopt;
            }
            o.seed = static_cast<std::uint32_t>(n);
        } else if (arg == "--no-stdin") {
            o.noStdin = true;
        } else {
            error = "unknown option \"" + arg + "\"";
            return std::nullopt;
        }
    }
    return o;
}

}  // namespace tulex::sim
