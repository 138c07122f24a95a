#pragma once
// A plan as a CSV table, the way spreadsheets write it: the first line is
// the header, fields separated by ";" or "," (whichever the header uses),
// fields may be quoted ("" inside quotes is one quote, quotes may hold line
// breaks), lines end in CR LF, LF or CR. Columns in any order, matched by
// name (case and surrounding blanks ignored). Rows whose fields are all
// empty are skipped.

#include <string>
#include <string_view>

#include "plan/PlanErrors.h"

namespace tulex::plan {

// The file's bytes (any of the encodings of PlanText). The site stays empty:
// a CSV file has no place for it.
PlanReadResult ReadPlanCsv(std::string_view bytes);

// The header line and one example row, separated by ";" (UTF-8, with BOM so
// that spreadsheets see the Cyrillic).
std::string PlanCsvTemplate();

// The plan as CSV in the same form (UTF-8 with BOM, ";").
std::string WritePlanCsv(const Plan& plan);

}  // namespace tulex::plan
