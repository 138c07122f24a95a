#include "sim/Scenario.h"

#include "line/Cp1251.h"
#include "line/HexDigits.h"
#include "sim/SimController.h"

#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

namespace tulex::sim {

namespace {

using nlohmann::json;

// Thrown only inside this file and caught in ParseScenario.
struct ScenarioError {
    std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) { throw ScenarioError{where + ": " + what}; }

void CheckKeys(const json& object, const std::string& where, const std::set<std::string>& allowed) {
    if (!object.is_object()) Fail(where, "must be an object");
    for (const auto& [key, value] : object.items())
        if (!allowed.count(key)) Fail(where, "unknown key \"" + key + "\"");
}

int Int(const json& object, const char* key, const std::string& where, int fallback, int min, int max) {
    if (!object.contains(key)) return fallback;
    const json& v = object.at(key);
    if (!v.is_number_integer()) Fail(where + "." + key, "must be a whole number");
    const long long n = v.get<long long>();
    if (n < min || n > max)
        Fail(where + "." + key, "must lie between " + std::to_string(min) + " and " + std::to_string(max));
    return static_cast<int>(n);
}

bool Bool(const json& object, const char* key, const std::string& where, bool fallback) {
    if (!object.contains(key)) return fallback;
    if (!object.at(key).is_boolean()) Fail(where + "." + key, "must be true or false");
    return object.at(key).get<bool>();
}

std::string String(const json& object, const char* key, const std::string& where, const std::string& fallback = {}) {
    if (!object.contains(key)) return fallback;
    if (!object.at(key).is_string()) Fail(where + "." + key, "must be a string");
    return object.at(key).get<std::string>();
}

std::uint8_t Index(const std::string& text, const std::string& where) {
    const auto index = ParseIndex(text);
    if (!index) Fail(where, "\"" + text + "\" is not a controller index (G..ь or 0x47..0xFC)");
    return *index;
}

std::uint8_t HexValue(const std::string& text, const std::string& where) {
    auto v = ParsePrefixedHexByte(text);
    if (!v) v = ParseHexByte(text);
    if (!v) Fail(where, "\"" + text + "\" is not two hex digits");
    return *v;
}

constexpr int kMaxMs = 24 * 3600 * 1000;
constexpr int kMaxFrames = 1'000'000'000;  // frames before a fault sets in

void ParseLine(const json& j, Scenario& s) {
    const std::string where = "line";
    CheckKeys(j, where,
              {"reply", "absent", "delay_ms", "frame_timeout_ms", "answer_timeout_ms", "buffer_limit", "seed", "silent",
               "error", "device_error"});
    s.line.silent = Bool(j, "silent", where, false);
    s.line.errorReply = Bool(j, "error", where, false);
    s.line.deviceError = Bool(j, "device_error", where, false);
    if (j.contains("reply")) {
        const auto style = ParseReplyStyle(String(j, "reply", where));
        if (!style) Fail(where + ".reply", "must be \"ack\" or \"positive\"");
        s.line.reply = *style;
    }
    if (j.contains("absent")) {
        const std::string absent = String(j, "absent", where);
        if (absent != "silent" && absent != "error") Fail(where + ".absent", "must be \"silent\" or \"error\"");
        s.line.absentError = absent == "error";
    }
    s.line.delayMs = Int(j, "delay_ms", where, s.line.delayMs, 0, kMaxMs);
    s.line.frameTimeoutMs = Int(j, "frame_timeout_ms", where, s.line.frameTimeoutMs, 1, kMaxMs);
    s.line.answerTimeoutMs = Int(j, "answer_timeout_ms", where, s.line.answerTimeoutMs, 1, kMaxMs);
    s.line.outputBufferLimit =
        static_cast<std::size_t>(Int(j, "buffer_limit", where, static_cast<int>(s.line.outputBufferLimit), 1, 1000));
    s.seed = static_cast<std::uint32_t>(Int(j, "seed", where, static_cast<int>(s.seed), 0, 2147483647));
}

void ParseConverter(const json& j, Scenario& s) {
    const std::string where = "converter";
    CheckKeys(j, where, {"version", "poll_upper", "speed", "echo"});
    if (j.contains("version")) {
        const std::string v = String(j, "version", where);
        // The PC recognises a converter data reply by its first character.
        if (v.size() != 2 || !IsLineHexDigit(v[0]) || v[1] == '?' || v[1] == '\0')
            Fail(where + ".version", "must be two characters, the first a hex digit 0-9/A-F");
        s.converter.versionCode = v;
    }
    if (j.contains("poll_upper")) {
        const std::string text = String(j, "poll_upper", where);
        const auto b = ParseByte(text);
        if (!b || *b < SimConverter::kLowestUpper || *b > SimConverter::kHighestUpper)
            Fail(where + ".poll_upper", "\"" + text + "\" is not an index from H to Ж");
        s.converter.pollUpper = *b;
    }
    if (j.contains("speed")) {
        const std::string v = String(j, "speed", where);
        if (v.size() != 2 || !IsLineHexDigit(v[0]) || !IsLineHexDigit(v[1]))
            Fail(where + ".speed", "must be two hex digits 0-9/A-F");
        s.converter.speedDigits = v;
    }
    s.converter.echo = Bool(j, "echo", where, s.converter.echo);
}

ControllerSpec ParseController(const json& j, const std::string& where) {
    CheckKeys(j, where,
              {"index", "type", "preset", "registers", "reply", "delay_ms", "silent", "error", "device_error", "eeprom",
               "eeprom_delay_ms", "no_data_after_ack", "accepts_any", "silent_after", "error_after", "sends_events",
               "name", "refuses_writes", "queued"});
    ControllerSpec c;
    if (!j.contains("index")) Fail(where, "\"index\" is missing");
    c.index = Index(String(j, "index", where), where + ".index");
    if (j.contains("preset")) {
        c.preset = String(j, "preset", where);
        SimController probe(c.index);
        if (!probe.ApplyPreset(c.preset))
            Fail(where + ".preset",
                 "\"" + c.preset + "\" is none of door, door-sensor, turnstile, turnstile-confirm, terminal");
    }
    if (j.contains("type")) c.registers.emplace_back(1, HexValue(String(j, "type", where), where + ".type"));
    if (j.contains("registers")) {
        const json& regs = j.at("registers");
        if (!regs.is_object()) Fail(where + ".registers", "must be an object {\"13\": \"43\", ...}");
        for (const auto& [key, value] : regs.items()) {
            const int reg = ParseRegisterNumber(key);
            if (reg < 0) Fail(where + ".registers", "\"" + key + "\" is not a two-digit register number");
            if (reg == 2) Fail(where + ".registers", "register 02 is the index; use \"index\"");
            if (!value.is_string()) Fail(where + ".registers." + key, "must be a string of two hex digits");
            c.registers.emplace_back(reg, HexValue(value.get<std::string>(), where + ".registers." + key));
        }
    }
    if (j.contains("reply")) {
        const auto style = ParseReplyStyle(String(j, "reply", where));
        if (!style) Fail(where + ".reply", "must be \"ack\" or \"positive\"");
        c.behaviour.reply = style;
    }
    if (j.contains("delay_ms")) c.behaviour.delayMs = Int(j, "delay_ms", where, 0, 0, kMaxMs);
    c.behaviour.silent = Bool(j, "silent", where, false);
    c.behaviour.errorReply = Bool(j, "error", where, false);
    c.behaviour.deviceError = Bool(j, "device_error", where, false);
    if (j.contains("eeprom")) {
        const std::string e = String(j, "eeprom", where);
        if (e != "ok" && e != "fail") Fail(where + ".eeprom", "must be \"ok\" or \"fail\"");
        c.behaviour.eepromFail = e == "fail";
    }
    c.behaviour.eepromDelayMs = Int(j, "eeprom_delay_ms", where, c.behaviour.eepromDelayMs, 0, kMaxMs);
    c.behaviour.noDataAfterAck = Bool(j, "no_data_after_ack", where, false);
    c.behaviour.acceptsAnyCommand = Bool(j, "accepts_any", where, false);
    if (j.contains("silent_after")) c.behaviour.framesBeforeSilence = Int(j, "silent_after", where, 0, 0, kMaxFrames);
    if (j.contains("error_after")) c.behaviour.framesBeforeErrors = Int(j, "error_after", where, 0, 0, kMaxFrames);
    c.behaviour.sendsEvents = Bool(j, "sends_events", where, true);
    c.behaviour.refusesWrites = Bool(j, "refuses_writes", where, false);
    c.queued = Bool(j, "queued", where, false);
    String(j, "name", where);  // a label for the reader of the file
    return c;
}

ScheduleItem ParseEvent(const json& j, const std::string& where) {
    CheckKeys(j, where,
              {"event", "index", "data", "channel", "long", "count", "at_ms", "every_ms", "jitter_ms", "repeat"});
    ScheduleItem item;
    const std::string kind = String(j, "event", where);
    const auto k = ParseEventKind(kind);
    if (!k)
        Fail(where + ".event", "\"" + kind +
                                   "\" is none of card, online, sensor, master-request, master-poll, "
                                   "master-clear, master-converter, noise, lost, zeros, burst");
    item.event.kind = *k;
    if (j.contains("index")) {
        const std::string index = String(j, "index", where);
        if (index != "random") item.event.index = Index(index, where + ".index");
    }
    item.event.data = String(j, "data", where);
    if (item.event.data.find('?') != std::string::npos && item.event.kind != EventKind::MasterRequest &&
        item.event.kind != EventKind::MasterConverter)
        Fail(where + ".data", "must not contain \"?\" (it ends the frame)");
    if (item.event.kind == EventKind::Sensor && !item.event.data.empty() && !IsLineHexDigit(item.event.data[0]))
        Fail(where + ".data", "sensor data must start with a hex digit 0-9/A-F");
    item.event.channel = Int(j, "channel", where, 0, 0, 2);
    item.event.longData = Bool(j, "long", where, false);
    item.event.count = Int(j, "count", where, 0, 0, 10'000'000);
    item.atMs = Int(j, "at_ms", where, -1, 0, kMaxMs);
    item.everyMs = Int(j, "every_ms", where, 0, 0, kMaxMs);
    item.jitterMs = Int(j, "jitter_ms", where, 0, 0, kMaxMs);
    item.repeat = Int(j, "repeat", where, 0, 0, 1'000'000'000);
    if (item.atMs < 0) item.atMs = item.everyMs;
    return item;
}

}  // namespace

std::optional<Scenario> ParseScenario(std::string_view text, std::string& error) {
    try {
        const json j = json::parse(text.begin(), text.end());
        CheckKeys(j, "scenario", {"line", "converter", "controllers", "events", "description"});
        Scenario s;
        if (j.contains("line")) ParseLine(j.at("line"), s);
        if (j.contains("converter")) ParseConverter(j.at("converter"), s);
        if (j.contains("controllers")) {
            const json& list = j.at("controllers");
            if (!list.is_array()) Fail("controllers", "must be a list");
            std::set<std::uint8_t> seen;
            for (std::size_t i = 0; i < list.size(); ++i) {
                ControllerSpec c = ParseController(list[i], "controllers[" + std::to_string(i) + "]");
                // Queued controllers wait for their index: they may share it.
                if (!c.queued && !seen.insert(c.index).second)
                    Fail("controllers[" + std::to_string(i) + "].index",
                         "index " + IndexText(c.index) + " is used twice");
                s.controllers.push_back(std::move(c));
            }
        }
        if (j.contains("events")) {
            const json& list = j.at("events");
            if (!list.is_array()) Fail("events", "must be a list");
            for (std::size_t i = 0; i < list.size(); ++i)
                s.events.push_back(ParseEvent(list[i], "events[" + std::to_string(i) + "]"));
        }
        return s;
    } catch (const ScenarioError& e) {
        error = e.message;
    } catch (const json::exception& e) {
        // The reader quotes the bytes it stopped at, which need not be UTF-8.
        error = "not valid JSON: " + ReplaceMalformedUtf8(e.what());
    }
    return std::nullopt;
}

std::optional<Scenario> LoadScenario(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto s = ParseScenario(text.str(), error);
    if (!s) error = path + ": " + error;
    return s;
}

bool ApplyScenario(const Scenario& scenario, SimLine& line, SimEvents& events, SimTime start, std::string& error) {
    // The connected controllers first, then those queued for a free index.
    for (const bool queued : {false, true}) {
        for (const auto& entry : scenario.controllers) {
            if (entry.queued != queued) continue;
            SimController* c = queued ? line.QueueController(entry.index, entry.behaviour)
                                      : line.AddController(entry.index, entry.behaviour);
            if (!c) {
                error = "index " + IndexText(entry.index) + " is used twice";
                return false;
            }
            if (!entry.preset.empty()) c->ApplyPreset(entry.preset);
            for (const auto& [reg, value] : entry.registers) c->SetRegister(reg, value);
        }
    }
    for (const auto& item : scenario.events) events.AddSchedule(item, start);
    return true;
}

}  // namespace tulex::sim
