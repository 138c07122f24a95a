#include "plan/PlanErrors.h"

namespace tulex::plan {

std::string PlanErrorText(const PlanError& error) {
    std::string text;
    if (error.line > 0) text = "строка " + std::to_string(error.line);
    if (error.column > 0) text += (text.empty() ? "" : ", ") + std::string("столбец ") + std::to_string(error.column);
    return text.empty() ? error.message : text + ": " + error.message;
}

void LimitPlanErrors(std::vector<PlanError>& errors) {
    if (errors.size() < kMaxPlanErrors) return;
    errors.resize(kMaxPlanErrors);
    errors.push_back({0, 0, "слишком много ошибок; показаны первые " + std::to_string(kMaxPlanErrors)});
}

}  // namespace tulex::plan
