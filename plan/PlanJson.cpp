#include "plan/PlanJson.h"

#include "plan/FieldValues.h"
#include "plan/Json.h"
#include "plan/PlanRows.h"
#include "plan/PlanText.h"

namespace tulex::plan {

namespace {

FieldPlace PlaceOf(const JsonValue& value) { return {value.line, value.column}; }

// A field's value as the text a CSV cell would hold: strings as they are,
// numbers as written; false when the kind does not fit.
bool ValueText(const JsonValue& value, bool numberAllowed, std::string& text) {
    if (value.kind == JsonValue::Kind::String || (numberAllowed && value.kind == JsonValue::Kind::Number)) {
        text = value.text;
        return true;
    }
    return false;
}

void ReadController(const JsonValue& entry, RowBuilder& rows, Plan& plan) {
    rows.Begin(entry.line);
    if (entry.kind != JsonValue::Kind::Object) {
        rows.Error(PlaceOf(entry), "контроллер должен быть объектом {\"index\": ...}");
        return;
    }
    for (const JsonMember& member : entry.members) {
        const JsonValue& value = member.value;
        const std::string& key = member.key;
        if (key == "relay") {
            if (value.kind == JsonValue::Kind::Null) continue;
            if (value.kind != JsonValue::Kind::Array || value.items.size() > 4) {
                rows.Error(PlaceOf(value), "relay: нужен список из четырёх значений [2.5, null, null, null]");
                continue;
            }
            for (std::size_t relay = 0; relay < value.items.size(); ++relay) {
                const JsonValue& item = value.items[relay];
                if (item.kind == JsonValue::Kind::Null) continue;
                std::string text;
                if (!ValueText(item, true, text)) {
                    rows.Error(PlaceOf(item), std::string(kFieldRelays[relay]) + ": нужно число секунд или null");
                    continue;
                }
                rows.Field(kFieldRelays[relay], text, PlaceOf(item));
            }
            continue;
        }
        if (key != kFieldIndex && key != kFieldName && key != kFieldPreset && key != kFieldMode &&
            key != kFieldMasterCard) {
            rows.Error({member.line, member.column}, "неизвестное поле «" + key +
                                                         "» (поля контроллера: index, name, preset, mode, relay, "
                                                         "master_card)");
            continue;
        }
        if (value.kind == JsonValue::Kind::Null && key != kFieldIndex) continue;
        std::string text;
        // A preset may be written 2 or "2"; everything else is text (a
        // number would lose a master card's leading zeros).
        if (!ValueText(value, key == kFieldPreset, text)) {
            rows.Error(PlaceOf(value),
                       key + (key == kFieldPreset ? ": нужно число 1 - 5 или null" : ": нужна строка в кавычках"));
            continue;
        }
        rows.Field(key, text, PlaceOf(value));
    }
    rows.End(PlaceOf(entry), plan);
}

void ReadJson(const DecodedText& decoded, PlanReadResult& result, Plan& plan) {
    result.format = std::string("JSON, ") + EncodingName(decoded.encoding);
    JsonError jsonError;
    const auto document = ParseJson(decoded.utf8, jsonError);
    if (!document) {
        result.errors.push_back({jsonError.line, jsonError.column, jsonError.message});
        return;
    }
    if (document->kind != JsonValue::Kind::Object) {
        result.errors.push_back(
            {document->line, document->column, "план должен быть объектом {\"controllers\": [...]}"});
        return;
    }
    RowBuilder rows(result.errors);
    const JsonValue* controllers = nullptr;
    for (const JsonMember& member : document->members) {
        if (member.key == "site") {
            if (member.value.kind == JsonValue::Kind::String)
                plan.site = member.value.text;
            else if (member.value.kind != JsonValue::Kind::Null)
                rows.Error(PlaceOf(member.value), "site: нужна строка в кавычках");
        } else if (member.key == "controllers") {
            controllers = &member.value;
        } else {
            rows.Error({member.line, member.column},
                       "неизвестное поле «" + member.key + "» (поля плана: site, controllers)");
        }
    }
    if (!controllers) {
        rows.Error(PlaceOf(*document), "нет списка «controllers»");
    } else if (controllers->kind != JsonValue::Kind::Array) {
        rows.Error(PlaceOf(*controllers), "controllers: нужен список контроллеров [...]");
    } else {
        for (const JsonValue& entry : controllers->items) ReadController(entry, rows, plan);
        if (result.errors.empty() && plan.rows.empty())
            rows.Error(PlaceOf(*controllers), "в плане нет ни одного контроллера");
    }
}

}  // namespace

PlanReadResult ReadPlanJson(std::string_view bytes) { return ReadPlanText(bytes, ReadJson); }

namespace {

std::string ControllerJson(const PlannedController& row) {
    std::string out = "{\"index\": " + JsonQuote(IndexUtf8(row.index)) + ", \"name\": " + JsonQuote(row.name);
    out += ", \"preset\": " + (row.preset ? PresetValueText(*row.preset) : std::string("null"));
    out += ", \"mode\": " + (row.mode ? JsonQuote(ModeValueText(*row.mode)) : std::string("null"));
    out += ", \"relay\": [";
    for (std::size_t relay = 0; relay < 4; ++relay) {
        if (relay > 0) out += ", ";
        // Seconds from the register value: what will be written.
        out += row.relayTenths[relay] ? TenthsText(*row.relayTenths[relay]) : "null";
    }
    out += "], \"master_card\": " + (row.masterCard ? JsonQuote(*row.masterCard) : std::string("null")) + "}";
    return out;
}

}  // namespace

std::string WritePlanJson(const Plan& plan) {
    std::string out = "{\n  \"site\": " + JsonQuote(plan.site) + ",\n  \"controllers\": [\n";
    for (std::size_t i = 0; i < plan.rows.size(); ++i)
        out += "    " + ControllerJson(plan.rows[i]) + (i + 1 < plan.rows.size() ? ",\n" : "\n");
    return out + "  ]\n}\n";
}

std::string PlanJsonTemplate() {
    Plan plan;
    plan.site = "Объект";
    PlannedController row;
    row.index = 'G';
    row.name = "Главный вход";
    row.preset = Preset::DoorWithSensor;
    row.mode = Mode::Offline;
    row.relayTenths[0] = 30;
    row.relayText[0] = "3.0";
    row.masterCard = "0012345678";
    plan.rows.push_back(row);
    return WritePlanJson(plan);
}

}  // namespace tulex::plan
