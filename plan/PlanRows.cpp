#include "plan/PlanRows.h"

#include "plan/FieldValues.h"

namespace tulex::plan {

bool IsPlanField(std::string_view name) {
    if (name == kFieldIndex || name == kFieldName || name == kFieldPreset || name == kFieldMode ||
        name == kFieldMasterCard)
        return true;
    for (const char* relay : kFieldRelays)
        if (name == relay) return true;
    return false;
}

const char* PlanFieldList() { return "index, name, preset, mode, relay1 - relay4, master_card"; }

PlanReadResult ReadPlanText(std::string_view bytes, PlanTextReader reader) {
    PlanReadResult result;
    std::string problem;
    const auto decoded = DecodePlanText(bytes, problem);
    if (!decoded) {
        result.errors.push_back({0, 0, problem});
        return result;
    }
    Plan plan;
    reader(*decoded, result, plan);
    if (result.errors.empty()) result.plan = std::move(plan);
    LimitPlanErrors(result.errors);
    return result;
}

void RowBuilder::Begin(int line) {
    row_ = PlannedController{};
    row_.line = line;
    hasIndex_ = false;
    indexSeen_ = false;
    rowFailed_ = false;
}

void RowBuilder::Error(FieldPlace place, std::string message) {
    rowFailed_ = true;
    errors_.push_back({place.line, place.column, std::move(message)});
}

void RowBuilder::Field(std::string_view name, std::string_view text, FieldPlace place) {
    const std::string trimmed = TrimmedValue(text);
    std::string error;
    const auto refuse = [&] { Error(place, std::string(name) + ": " + error); };
    if (name == kFieldName) {
        row_.name = trimmed;
        return;
    }
    if (name == kFieldIndex) {
        indexPlace_ = place;
        indexSeen_ = true;
        if (ParseIndexValue(trimmed, row_.index, error))
            hasIndex_ = true;
        else
            refuse();
        return;
    }
    if (trimmed.empty()) return;  // leave as is
    if (name == kFieldPreset) {
        Preset preset{};
        if (ParsePresetValue(trimmed, preset, error))
            row_.preset = preset;
        else
            refuse();
    } else if (name == kFieldMode) {
        Mode mode{};
        if (ParseModeValue(trimmed, mode, error))
            row_.mode = mode;
        else
            refuse();
    } else if (name == kFieldMasterCard) {
        std::string card;
        if (ParseMasterCardValue(trimmed, card, error))
            row_.masterCard = card;
        else
            refuse();
    } else {
        for (std::size_t relay = 0; relay < kFieldRelays.size(); ++relay) {
            if (name != kFieldRelays[relay]) continue;
            std::uint8_t tenths = 0;
            if (ParseRelayValue(trimmed, tenths, error)) {
                row_.relayTenths[relay] = tenths;
                row_.relayText[relay] = trimmed;
            } else {
                refuse();
            }
        }
    }
}

void RowBuilder::End(FieldPlace rowPlace, Plan& plan) {
    if (!hasIndex_) {
        // A refused index has been told already.
        if (!indexSeen_) Error(rowPlace, "не указан индекс контроллера");
        return;
    }
    const auto [at, fresh] = seen_.emplace(row_.index, row_.line);
    if (!fresh) {
        Error(indexPlace_, "index: контроллер " + IndexUtf8(row_.index) + " уже есть в плане (строка " +
                               std::to_string(at->second) + ")");
        return;
    }
    if (!rowFailed_) plan.rows.push_back(row_);
}

}  // namespace tulex::plan
