#pragma once
// The JSON objects of a plan run: tulex-cli prints one per row as it ends
// and the summary last; the report's JSON holds the same rows.

#include <string>

#include "plan/Plan.h"
#include "plan/RunResults.h"

namespace tulex::plan {

// {"event": "row", "index": "G", "name": ..., "state": "done", "step": ...,
//  "answer": ..., "text": ..., "differences": [{"field", "planned", "found"}],
//  "written": [...], "renamed_from": "ь", "parameters": {...}, "master_card": ...}
// (renamed_from, parameters and master_card only when known).
std::string RowEventJson(const PlannedController& row, const RowResult& result);
// {"event": "summary", "done": n, "matched": n, "failed": n, "skipped": n, "differs": n}
std::string SummaryEventJson(const RunSummary& summary);
// {"event": "progress", "index": "G", "text": "..."}
std::string ProgressEventJson(const PlannedController& row, const std::string& text);

// The fields of a row result without the event name, for the report.
std::string RowResultFields(const PlannedController& row, const RowResult& result);
// {"type": ..., "registers": {"01": "65", ...}, "mode": "off-line", "relay": [2.0, ...], ...}
std::string ParametersJson(const ParameterRegisters& registers);
// The planned fields as the plan's JSON has them.
std::string PlannedJson(const PlannedController& row);

}  // namespace tulex::plan
