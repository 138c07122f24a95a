#pragma once
// What the CSV and the JSON readers share: the file's text decoded before
// either reads it, the checks of each field's value and of the plan as a
// whole (one row per index), with the errors placed where the file has the
// field, and the answer they give for a file.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "plan/PlanErrors.h"
#include "plan/PlanText.h"

namespace tulex::plan {

// Where a field's value stands in the file.
struct FieldPlace {
    int line = 0;
    int column = 0;
};

class RowBuilder {
public:
    explicit RowBuilder(std::vector<PlanError>& errors) : errors_(errors) {}

    // Starts a row that stands at `line` of its file.
    void Begin(int line);
    // A field's text by its name (index, name, preset, mode, relay1..4,
    // master_card); an empty text leaves the field unset.
    void Field(std::string_view name, std::string_view text, FieldPlace place);
    // Ends the row: it needs an index, and no earlier row may have it.
    // `rowPlace` is where an error about a missing index goes.
    void End(FieldPlace rowPlace, Plan& plan);

    void Error(FieldPlace place, std::string message);

private:
    std::vector<PlanError>& errors_;
    PlannedController row_;
    bool hasIndex_ = false;   // the row's index was given and taken
    bool indexSeen_ = false;  // the row had an index field at all
    bool rowFailed_ = false;
    FieldPlace indexPlace_;
    std::map<std::uint8_t, int> seen_;  // index -> line of its row
};

// A reader of one file format: from the decoded text it reads the plan's
// rows into `plan` and what is wrong into `result.errors`, and says in
// `result.format` how it read the file.
using PlanTextReader = void (*)(const DecodedText& text, PlanReadResult& result, Plan& plan);

// A file's bytes read by `reader`: a text that does not decode is one error;
// the result holds the plan only when no error was found, so nothing of a
// faulty file can be applied, and the errors kept to the limit
// (LimitPlanErrors).
PlanReadResult ReadPlanText(std::string_view bytes, PlanTextReader reader);

// True when the name is one of a plan's columns (already lower case, trimmed).
bool IsPlanField(std::string_view name);
// "index, name, preset, mode, relay1 - relay4, master_card"
const char* PlanFieldList();

}  // namespace tulex::plan
