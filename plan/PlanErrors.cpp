#include "plan/PlanErrors.h"

namespace tulex::plan {

std::string PlanErrorText(const PlanError& error) {
    std::string text;
    if (error.line > 0) text = "строка " + std::to_string(error.line);
    if (error.column > 0) text += (text.empty() ? "" : ", ") + std::string("столбец ") + std::to_string(error.column);
    return text.empty() ? error.message : text + ": " + error.message;
}

}  // namespace tulex::plan
