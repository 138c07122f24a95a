#include "plan/RunJson.h"

#include "line/HexDigits.h"
#include "plan/FieldValues.h"
#include "plan/Json.h"
#include "plan/ParameterText.h"

namespace tulex::plan {

namespace {

std::string StringList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonQuote(items[i]);
    return out + "]";
}

std::string Bool(bool value) { return value ? "true" : "false"; }

// A hold time in seconds; FF (no time limit) as 25.5, as the relay dialog
// writes it.
std::string Seconds(std::uint8_t tenths) { return TenthsText(tenths); }

}  // namespace

std::string ParametersJson(const ParameterRegisters& r) {
    const ParameterText t = DescribeParameters(r);
    std::string out = "{\"type\": " + JsonQuote(t.type) + ", \"registers\": {";
    bool first = true;
    for (const int number : {2, 1, 13, 10, 11, 16, 17, 12, 18, 19}) {
        const std::string name = (number < 10 ? "0" : "") + std::to_string(number);
        out += (first ? "" : ", ") + JsonQuote(name) + ": " + JsonQuote(HexByte(r.Register(number).value_or(0)));
        first = false;
    }
    out += "}, \"mode\": " + JsonQuote(t.mode) + ", \"relay\": [";
    for (std::size_t relay = 0; relay < 4; ++relay) out += (relay ? ", " : "") + Seconds(r.relays[relay]);
    out += "], \"prohibition\": " + Seconds(r.prohibition);
    out += ", \"inputs\": [" + JsonQuote(t.inputs1) + ", " + JsonQuote(t.inputs2) + "]";
    out += ", \"relay1_by_sensor\": " + Bool(t.relay1BySensor) + ", \"relay2_by_sensor\": " + Bool(t.relay2BySensor);
    out += ", \"readers_blocked\": " + Bool(t.readersBlocked) + "}";
    return out;
}

std::string PlannedJson(const PlannedController& row) {
    std::string out = "{\"preset\": " + (row.preset ? PresetValueText(*row.preset) : std::string("null"));
    out += ", \"mode\": " + (row.mode ? JsonQuote(ModeValueText(*row.mode)) : std::string("null"));
    out += ", \"relay\": [";
    for (std::size_t relay = 0; relay < 4; ++relay)
        out += (relay ? ", " : "") + (row.relayTenths[relay] ? TenthsText(*row.relayTenths[relay]) : "null");
    out += "], \"master_card\": " + (row.masterCard ? JsonQuote(*row.masterCard) : std::string("null")) + "}";
    return out;
}

std::string RowResultFields(const PlannedController& row, const RowResult& result) {
    std::string out = "\"index\": " + JsonQuote(IndexUtf8(row.index)) + ", \"name\": " + JsonQuote(row.name);
    out += ", \"state\": " + JsonQuote(RowStateName(result.state)) + ", \"step\": " + JsonQuote(result.step);
    out += ", \"answer\": " + JsonQuote(result.answer) + ", \"text\": " + JsonQuote(result.text);
    out += ", \"differences\": [";
    for (std::size_t i = 0; i < result.differences.size(); ++i) {
        const Difference& d = result.differences[i];
        out += (i ? ", " : "") + std::string("{\"field\": ") + JsonQuote(d.field) +
               ", \"planned\": " + JsonQuote(d.planned) + ", \"found\": " + JsonQuote(d.found) + "}";
    }
    out += "], \"written\": " + StringList(result.written);
    if (result.renamedFrom) out += ", \"renamed_from\": " + JsonQuote(IndexUtf8(*result.renamedFrom));
    if (result.parameters) out += ", \"parameters\": " + ParametersJson(*result.parameters);
    if (result.masterCard) out += ", \"master_card\": " + JsonQuote(*result.masterCard);
    return out;
}

std::string RowEventJson(const PlannedController& row, const RowResult& result) {
    return "{\"event\": \"row\", " + RowResultFields(row, result) + "}";
}

std::string SummaryEventJson(const RunSummary& s) {
    return "{\"event\": \"summary\", \"done\": " + std::to_string(s.done) +
           ", \"matched\": " + std::to_string(s.matched) + ", \"failed\": " + std::to_string(s.failed) +
           ", \"skipped\": " + std::to_string(s.skipped) + ", \"differs\": " + std::to_string(s.differs) + "}";
}

std::string ProgressEventJson(const PlannedController& row, const std::string& text) {
    return "{\"event\": \"progress\", \"index\": " + JsonQuote(IndexUtf8(row.index)) +
           ", \"text\": " + JsonQuote(text) + "}";
}

}  // namespace tulex::plan
