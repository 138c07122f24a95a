#include "plan/RunResults.h"

#include "plan/Plan.h"

namespace tulex::plan {

const char* RowStateName(RowState state) {
    switch (state) {
    case RowState::Pending: return "pending";
    case RowState::Running: return "running";
    case RowState::Done: return "done";
    case RowState::Matched: return "matched";
    case RowState::Failed: return "failed";
    case RowState::Skipped: return "skipped";
    case RowState::Differs: return "differs";
    }
    return "";
}

const char* RowStateText(RowState state) {
    switch (state) {
    case RowState::Pending: return "ожидает";
    case RowState::Running: return "выполняется";
    case RowState::Done: return "выполнено";
    case RowState::Matched: return "совпадает";
    case RowState::Failed: return "ошибка";
    case RowState::Skipped: return "пропущено";
    case RowState::Differs: return "отличается";
    }
    return "";
}

std::string StepText(const std::string& name) {
    if (name == step::kRead) return "Чтение параметров";
    if (name == step::kConnect) return "Ожидание нового контроллера";
    if (name == step::kIndex) return "Изменение индекса";
    if (name == step::kPreset) return "Стандартный набор";
    if (name == step::kMode) return "Режим работы";
    if (name == step::kMasterCard) return "Мастер-карта";
    for (std::size_t relay = 0; relay < kFieldRelays.size(); ++relay)
        if (name == kFieldRelays[relay]) return "Реле " + std::to_string(relay + 1);
    return name;
}

void RunSummary::Count(RowState state) {
    switch (state) {
    case RowState::Done: ++done; break;
    case RowState::Matched: ++matched; break;
    case RowState::Failed: ++failed; break;
    case RowState::Skipped: ++skipped; break;
    case RowState::Differs: ++differs; break;
    default: break;
    }
}

}  // namespace tulex::plan
