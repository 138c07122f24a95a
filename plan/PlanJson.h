#pragma once
// A plan as JSON: {"site": "...", "controllers": [{"index": "G", "name":
// "...", "preset": 1, "mode": "online", "relay": [2.5, null, null, null],
// "master_card": "0012345678"}, ...]}. Unknown keys are errors, so a typo
// cannot leave a field unset without a word. null or a missing key leaves a
// field as is. The file may be UTF-8 (with or without BOM) or Windows-1251.

#include <string>
#include <string_view>

#include "plan/PlanErrors.h"

namespace tulex::plan {

PlanReadResult ReadPlanJson(std::string_view bytes);

// The plan as JSON in the form above (UTF-8), one controller per line.
std::string WritePlanJson(const Plan& plan);

// A site name and one example controller.
std::string PlanJsonTemplate();

}  // namespace tulex::plan
