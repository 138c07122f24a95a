#pragma once
// What a plan reader says about a file it refuses: every error names the
// line and the column where it is (CSV: the field's number in the row, its
// column name in the text; JSON: the character position in the line).

#include <optional>
#include <string>
#include <vector>

#include "plan/Plan.h"

namespace tulex::plan {

struct PlanError {
    int line = 0;         // 1-based; 0 when the error is about the whole file
    int column = 0;       // 1-based; 0 when it is about the whole line
    std::string message;  // UTF-8, Russian
};

// "строка 3, столбец 4: ..." (or without the parts that are 0).
std::string PlanErrorText(const PlanError& error);

// A plan, or every error found in it; a plan with errors gives no plan at
// all, so nothing of it can be applied.
struct PlanReadResult {
    std::optional<Plan> plan;
    std::vector<PlanError> errors;
    std::string format;  // how the file was read: "CSV, «;», UTF-8", "JSON"
};

// Beyond this many errors a reader stops and says so.
inline constexpr std::size_t kMaxPlanErrors = 50;

// Keeps the first kMaxPlanErrors errors and, once there are that many, says
// in one more that the list stops there: the one place the limit is kept,
// so a file of thousands of bad columns gives a list one can read.
void LimitPlanErrors(std::vector<PlanError>& errors);

}  // namespace tulex::plan
