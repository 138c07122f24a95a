#include "sim/SimCommands.h"

#include "line/HexDigits.h"
#include "sim/SimController.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace tulex::sim {

namespace {

constexpr std::string_view kHelp =
    "Commands on standard input (one per line; IDX is a character such as G or Ж, 0xHH,\n"
    "or \"random\" for a random controller of the line):\n"
    "  card IDX [DATA] [long]      card event IDX;DATA? (random 12-character data, or 20 with \"long\")\n"
    "  online IDX [1|2] [DATA]     on-line request (channel card event; channel at random if not\n"
    "                              given), expects \">\" (1) or \"<\" (2)\n"
    "  sensor IDX [DATA]           sensor event IDX DATA? (DATA starts with a hex digit), expects \"+\"\n"
    "  master request IDX [CMD]    another master's addressed request (default $$02)\n"
    "  master poll IDX             another master's poll frame FF IDX ?\n"
    "  master clear                another master's buffer-clearing frame FF FD ?\n"
    "  master converter [CMD]      another master's converter request (default 0)\n"
    "  noise [N]                   N random bytes (default 8)\n"
    "  lost [IDX]                  a card event whose \"?\" is lost\n"
    "  zeros [N]                   N zero bytes (default 4)\n"
    "  burst [N]                   N card events back to back at full speed (default 1000)\n"
    "  list                        the controllers with their registers and options\n"
    "  answers                     the automatic answers expected, received and missed\n"
    "  stats                       frame counters of the line\n"
    "  trace [N]                   the last N trace lines (default 20)\n"
    "  add IDX [PRESET]            put a controller on the line\n"
    "  remove IDX                  take a controller off the line\n"
    "  set IDX SETTING VALUE       change one controller; SETTING VALUE is one of:\n"
    "      reply ack|positive, silent on|off, error on|off (\"#?\" to everything),\n"
    "      device-error on|off (\"&?\" to everything), delay MS, eeprom ok|fail,\n"
    "      eeprom-delay MS, no-data on|off (acknowledge, never hand data over),\n"
    "      refuses-writes on|off (\"#?\" to register writes),\n"
    "      accept-any on|off (accept command texts it does not know instead of \"&?\"),\n"
    "      silent-after N, error-after N (handle N more frames, then fall silent or answer \"#?\"),\n"
    "      reg NN HH, preset door|door-sensor|turnstile|turnstile-confirm|terminal\n"
    "  mastercard IDX HHHHHHHHHH   present a master card to a controller waiting for one ($4)\n"
    "  converter SETTING VALUE     echo on|off, version XX, upper IDX (H..Ж), speed XX\n"
    "  line SETTING VALUE          change the whole line: reply ack|positive,\n"
    "      absent silent|error, delay MS, silent on|off, error on|off, device-error on|off\n"
    "  unplug [MS]                 the port vanishes (a USB converter pulled out: the client sees a\n"
    "                              hang-up, the SIMn link goes) and comes back MS later (default 1000)\n"
    "                              under the same SIMn link, behind a new pseudo-terminal\n"
    "  help                        this list\n"
    "  quit                        end the simulator (as end of input does)\n";

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> out;
    std::istringstream in{std::string(text)};
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::optional<int> Number(const std::string& text, int min, int max) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < min || v > max) return std::nullopt;
    return static_cast<int>(v);
}

std::optional<bool> OnOff(const std::string& text) {
    if (text == "on" || text == "yes" || text == "true" || text == "1") return true;
    if (text == "off" || text == "no" || text == "false" || text == "0") return false;
    return std::nullopt;
}

// "random" leaves the index unset; anything else must be an index.
bool IndexWord(const std::string& word, std::optional<std::uint8_t>& index) {
    if (word == "random") return true;
    index = ParseIndex(word);
    return index.has_value();
}

std::string BadIndex(const std::string& word) {
    return "error: \"" + word + "\" is not a controller index (G..ь or 0x47..0xFC)";
}

}  // namespace

std::string_view CommandHelp() { return kHelp; }

SimCommands::SimCommands(SimLine& line, SimEvents& events, const SimTrace* trace)
    : line_(line), events_(events), trace_(trace) {}

std::string SimCommands::List() {
    std::ostringstream out;
    const auto controllers = line_.Controllers();
    out << controllers.size() << " controller(s)";
    if (line_.QueuedCount() > 0) out << " and " << line_.QueuedCount() << " waiting to be connected";
    out << "; line: reply " << ReplyStyleName(line_.Config().reply) << ", absent "
        << (line_.Config().absentError ? "error" : "silent") << ", delay " << line_.Config().delayMs << " ms"
        << (line_.Config().silent ? ", silent" : "") << (line_.Config().errorReply ? ", error" : "")
        << (line_.Config().deviceError ? ", device error" : "") << "; converter: version "
        << line_.Converter().Config().versionCode << ", poll range G-"
        << IndexText(line_.Converter().Config().pollUpper) << ", speed " << line_.Converter().Config().speedDigits
        << (line_.Converter().Config().echo ? ", echo" : "") << "\n";
    for (SimController* c : controllers) {
        const auto& b = c->Behaviour();
        out << "  " << IndexText(c->Index()) << " (0x" << HexByte(c->Index()) << ")  01=" << HexByte(c->Register(1))
            << " 13=" << HexByte(c->Register(13)) << " 10=" << HexByte(c->Register(10))
            << " 11=" << HexByte(c->Register(11)) << " 16=" << HexByte(c->Register(16))
            << " 17=" << HexByte(c->Register(17)) << " 12=" << HexByte(c->Register(12))
            << " 18=" << HexByte(c->Register(18)) << " 19=" << HexByte(c->Register(19)) << "  reply "
            << ReplyStyleName(b.reply.value_or(line_.Config().reply));
        if (b.delayMs) out << ", delay " << *b.delayMs << " ms";
        if (b.silent) out << ", silent";
        if (b.errorReply) out << ", error";
        if (b.deviceError) out << ", device error";
        if (b.eepromFail) out << ", eeprom fail";
        if (b.noDataAfterAck) out << ", no data after ack";
        if (b.refusesWrites) out << ", refuses writes";
        if (b.acceptsAnyCommand) out << ", accepts any command";
        if (b.framesBeforeSilence) out << ", silent after " << *b.framesBeforeSilence << " frame(s)";
        if (b.framesBeforeErrors) out << ", error replies after " << *b.framesBeforeErrors << " frame(s)";
        if (c->WaitingForMasterCard()) out << ", waiting for a master card";
        if (!c->OutputBuffer().empty()) out << ", " << c->OutputBuffer().size() << " reply(ies) buffered";
        out << "\n";
    }
    return out.str();
}

std::string SimCommands::AnswersReport() {
    std::ostringstream out;
    int answered = 0, missed = 0, open = 0;
    long long worst = 0, total = 0;
    for (const auto& r : line_.Answers()) {
        if (r.answeredAt) {
            ++answered;
            worst = std::max<long long>(worst, r.Latency().count());
            total += r.Latency().count();
        } else if (r.missed) {
            ++missed;
        } else {
            ++open;
        }
    }
    out << "automatic answers: " << answered << " received, " << missed << " missed, " << open << " awaited";
    if (answered > 0) out << "; latency mean " << total / answered << " ms, worst " << worst << " ms";
    out << "\n";
    const auto& all = line_.Answers();
    const std::size_t from = all.size() > 20 ? all.size() - 20 : 0;
    for (std::size_t i = from; i < all.size(); ++i) {
        const auto& r = all[i];
        out << "  #" << r.seq << " " << IndexText(r.index) << " \"" << r.expected << "\" ";
        if (r.answeredAt)
            out << "after " << r.Latency().count() << " ms\n";
        else if (r.missed)
            out << "missed\n";
        else
            out << "awaited\n";
    }
    return out.str();
}

std::string SimCommands::Set(const std::vector<std::string>& w) {
    if (w.size() < 3) return "error: set IDX KEY VALUE";
    const auto index = ParseIndex(w[1]);
    if (!index) return BadIndex(w[1]);
    SimController* c = line_.Find(*index);
    if (!c) return "error: no controller " + IndexText(*index);
    auto& b = c->Behaviour();
    const std::string& key = w[2];
    const std::string value = w.size() > 3 ? w[3] : "";
    if (key == "reply") {
        const auto s = ParseReplyStyle(value);
        if (!s) return "error: reply ack|positive";
        b.reply = s;
    } else if (key == "silent" || key == "error" || key == "device-error" || key == "no-data" || key == "accept-any" ||
               key == "refuses-writes") {
        const auto on = OnOff(value);
        if (!on) return "error: " + key + " on|off";
        (key == "silent"         ? b.silent
         : key == "error"        ? b.errorReply
         : key == "device-error" ? b.deviceError
         : key == "no-data"      ? b.noDataAfterAck
         : key == "accept-any"   ? b.acceptsAnyCommand
                                 : b.refusesWrites) = *on;
    } else if (key == "silent-after" || key == "error-after") {
        const auto frames = Number(value, 0, 1'000'000'000);
        if (!frames) return "error: " + key + " takes a number of frames";
        (key == "silent-after" ? b.framesBeforeSilence : b.framesBeforeErrors) = *frames;
    } else if (key == "delay" || key == "eeprom-delay") {
        const auto ms = Number(value, 0, 86'400'000);
        if (!ms) return "error: " + key + " takes milliseconds";
        if (key == "delay")
            b.delayMs = *ms;
        else
            b.eepromDelayMs = *ms;
    } else if (key == "eeprom") {
        if (value != "ok" && value != "fail") return "error: eeprom ok|fail";
        b.eepromFail = value == "fail";
    } else if (key == "reg") {
        if (w.size() < 5) return "error: set IDX reg NN HH";
        const int reg = ParseRegisterNumber(w[3]);
        const auto v = ParseHexByte(w[4]);
        if (reg < 0 || !v) return "error: set IDX reg NN HH (two digits, two hex digits)";
        if (reg == 2) return "error: register 02 is the index; use \"$0\" on the line";
        c->SetRegister(reg, *v);
    } else if (key == "preset") {
        if (!c->ApplyPreset(value)) return "error: preset door|door-sensor|turnstile|turnstile-confirm|terminal";
    } else {
        return "error: unknown setting \"" + key + "\"";
    }
    return "ok";
}

std::string SimCommands::Execute(std::string_view commandLine, SimTime now, bool& quit) {
    const auto w = Words(commandLine);
    if (w.empty()) return {};
    const std::string& cmd = w[0];
    EventSpec entry;
    auto fire = [&]() { return events_.Fire(entry, now); };

    if (cmd == "help") return std::string(kHelp);
    if (cmd == "quit" || cmd == "exit") {
        quit = true;
        return {};
    }
    if (cmd == "list") return List();
    if (cmd == "answers") return AnswersReport();
    if (cmd == "stats") {
        const auto& s = line_.Stats();
        std::ostringstream out;
        out << "from the PC: " << s.requests << " requests, " << s.polls << " polls, " << s.bufferClears
            << " buffer clearings, " << s.converterRequests << " converter requests, " << s.badCheck
            << " with a wrong check character, " << s.malformed << " malformed, " << s.strayBytes
            << " stray bytes; to the PC: " << s.framesOut << " frames, " << s.bytesOut << " bytes\n";
        return out.str();
    }
    if (cmd == "trace") {
        if (!trace_) return "error: no trace";
        int n = 20;
        if (w.size() > 1) {
            const auto v = Number(w[1], 1, static_cast<int>(SimTrace::kKeptLines));
            if (!v) return "error: trace [N], N from 1 to " + std::to_string(SimTrace::kKeptLines);
            n = *v;
        }
        std::string out;
        for (const auto& l : trace_->Last(static_cast<std::size_t>(n))) out += l + "\n";
        return out;
    }
    if (cmd == "card" || cmd == "sensor" || cmd == "online" || cmd == "lost") {
        entry.kind = cmd == "card"     ? EventKind::Card
                     : cmd == "sensor" ? EventKind::Sensor
                     : cmd == "online" ? EventKind::Online
                                       : EventKind::LostTerminator;
        std::size_t next = 1;
        if (w.size() > next) {
            if (!IndexWord(w[next], entry.index)) return BadIndex(w[next]);
            ++next;
        }
        if (entry.kind == EventKind::Online && w.size() > next && (w[next] == "1" || w[next] == "2")) {
            entry.channel = w[next][0] - '0';
            ++next;
        }
        for (; next < w.size(); ++next) {
            if (w[next] == "long")
                entry.longData = true;
            else
                entry.data = w[next];
        }
        if (entry.data.find('?') != std::string::npos) return "error: data must not contain \"?\"";
        return fire();
    }
    if (cmd == "master") {
        if (w.size() < 2) return "error: master request|poll|clear|converter";
        const std::string& what = w[1];
        if (what == "clear") {
            entry.kind = EventKind::MasterClear;
            return fire();
        }
        if (what == "converter") {
            entry.kind = EventKind::MasterConverter;
            if (w.size() > 2) entry.data = w[2];
            return fire();
        }
        if (what == "request" || what == "poll") {
            entry.kind = what == "request" ? EventKind::MasterRequest : EventKind::MasterPoll;
            if (w.size() < 3) return "error: master " + what + " IDX";
            if (!IndexWord(w[2], entry.index)) return BadIndex(w[2]);
            if (w.size() > 3) entry.data = w[3];
            return fire();
        }
        return "error: master request|poll|clear|converter";
    }
    if (cmd == "noise" || cmd == "zeros" || cmd == "burst") {
        entry.kind = cmd == "noise" ? EventKind::Noise : cmd == "zeros" ? EventKind::Zeros : EventKind::Burst;
        if (w.size() > 1) {
            const auto n = Number(w[1], 1, 10'000'000);
            if (!n) return "error: " + cmd + " [N], N from 1 to 10000000";
            entry.count = *n;
        }
        return fire();
    }
    if (cmd == "add") {
        if (w.size() < 2) return "error: add IDX [PRESET]";
        const auto index = ParseIndex(w[1]);
        if (!index) return BadIndex(w[1]);
        SimController* c = line_.AddController(*index);
        if (!c) return "error: index " + IndexText(*index) + " is taken";
        if (w.size() > 2 && !c->ApplyPreset(w[2])) {
            line_.RemoveController(*index);
            return "error: preset door|door-sensor|turnstile|turnstile-confirm|terminal";
        }
        return "ok";
    }
    if (cmd == "remove") {
        if (w.size() < 2) return "error: remove IDX";
        const auto index = ParseIndex(w[1]);
        if (!index) return BadIndex(w[1]);
        return line_.RemoveController(*index) ? "ok" : "error: no controller " + IndexText(*index);
    }
    if (cmd == "set") return Set(w);
    if (cmd == "mastercard") {
        if (w.size() < 3) return "error: mastercard IDX HHHHHHHHHH";
        const auto index = ParseIndex(w[1]);
        if (!index) return BadIndex(w[1]);
        SimController* c = line_.Find(*index);
        if (!c) return "error: no controller " + IndexText(*index);
        if (!c->WaitingForMasterCard()) return "error: " + IndexText(*index) + " does not wait for a master card";
        return c->PresentMasterCard(w[2]) ? "ok" : "error: the card number is ten hex digits";
    }
    if (cmd == "converter") {
        if (w.size() < 3) return "error: converter echo|version|upper|speed VALUE";
        auto& conf = line_.Converter().Config();
        if (w[1] == "echo") {
            const auto on = OnOff(w[2]);
            if (!on) return "error: converter echo on|off";
            conf.echo = *on;
        } else if (w[1] == "version") {
            if (w[2].size() != 2 || !IsLineHexDigit(w[2][0]) || w[2][1] == '?')
                return "error: version is two characters, the first a hex digit";
            conf.versionCode = w[2];
        } else if (w[1] == "upper") {
            const auto b = ParseByte(w[2]);
            if (!b || *b < SimConverter::kLowestUpper || *b > SimConverter::kHighestUpper)
                return "error: upper index from H to Ж";
            conf.pollUpper = *b;
        } else if (w[1] == "speed") {
            if (w[2].size() != 2 || !IsLineHexDigit(w[2][0]) || !IsLineHexDigit(w[2][1]))
                return "error: speed is two hex digits";
            conf.speedDigits = w[2];
        } else {
            return "error: converter echo|version|upper|speed VALUE";
        }
        return "ok";
    }
    if (cmd == "line") {
        if (w.size() < 3) return "error: line reply|absent|delay VALUE";
        auto& conf = line_.Config();
        if (w[1] == "reply") {
            const auto s = ParseReplyStyle(w[2]);
            if (!s) return "error: line reply ack|positive";
            conf.reply = *s;
        } else if (w[1] == "absent") {
            if (w[2] != "silent" && w[2] != "error") return "error: line absent silent|error";
            conf.absentError = w[2] == "error";
        } else if (w[1] == "delay") {
            const auto ms = Number(w[2], 0, 86'400'000);
            if (!ms) return "error: line delay MS";
            conf.delayMs = *ms;
        } else if (w[1] == "silent" || w[1] == "error" || w[1] == "device-error") {
            const auto on = OnOff(w[2]);
            if (!on) return "error: line " + w[1] + " on|off";
            (w[1] == "silent" ? conf.silent : w[1] == "error" ? conf.errorReply : conf.deviceError) = *on;
        } else {
            return "error: line reply|absent|delay|silent|error|device-error VALUE";
        }
        return "ok";
    }
    return "error: unknown command \"" + cmd + "\" (help lists them)";
}

}  // namespace tulex::sim
