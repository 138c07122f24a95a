#pragma once
// The plan window's logic without widgets: the plan loaded from its file,
// the table the window shows (the planned fields, each row's state, colour
// and note), the progress "3 из 24", Start and Stop of the audit or the
// apply, and the report. Every call comes on the UI thread; so do the
// run's reports (PlanRun tells its observer there), after which `changed`
// is called for the window to show the rows again.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "display/Colour.h"
#include "plan/Plan.h"
#include "plan/PlanRun.h"
#include "plan/RunResults.h"

namespace tulex {
class CommandContext;
}

namespace tulex::plan {

class PlanBoard final : public RunObserver {
public:
    explicit PlanBoard(CommandContext& context);

    // Loads a plan file; on errors the plan in the window stays as it was
    // and the errors come back (each "строка 3, столбец 4: ...").
    std::vector<std::string> Load(const std::filesystem::path& path);
    bool HasPlan() const { return planned_; }
    const Plan& plan() const { return plan_; }
    std::string FileName() const { return fileName_; }

    // Starts the audit or the apply. factoryIndexText: the window's field
    // (empty: none). Returns "" when it started, else why not (the port's
    // warning is shown by the session itself and gives "-"). The audit
    // without a plan reads the present controllers of the map.
    std::string Start(Task task, const std::string& factoryIndexText);
    void Stop();
    bool Running() const { return run_.Running(); }

    // --- the table
    static const std::vector<std::string>& ColumnTitles();
    std::size_t RowCount() const { return plan_.rows.size(); }
    std::vector<std::string> RowCells(std::size_t row) const;
    Colour RowColour(std::size_t row) const;
    // The planned standard set's menu caption ("" if none): the preset
    // cell shows its number.
    std::string PresetCaption(std::size_t row) const;
    RowState State(std::size_t row) const { return results_.at(row).state; }
    // "3 из 24" while or after a run (rows ended of all), "" before.
    std::string ProgressText() const;
    // What the run waits for from the operator now, "" if nothing.
    std::string Prompt() const { return prompt_; }
    std::optional<RunSummary> Summary() const { return summary_; }
    bool HasResults() const { return summary_.has_value() || Running(); }

    // Writes the report of the last run as path (HTML) and beside it as
    // JSON; "" on success, else why not.
    std::string SaveReport(const std::filesystem::path& htmlPath, const std::string& port,
                           const std::string& speed) const;

    // Called after anything the table shows changed.
    std::function<void()> changed;

    // --- RunObserver (the run's reports, UI thread)
    void RowStarted(std::size_t row) override;
    void RowProgress(std::size_t row, const std::string& text, bool asksOperator) override;
    void RowEnded(std::size_t row, const RowResult& result) override;
    void RunEnded(const RunSummary& summary) override;

private:
    void Changed();
    void ResetResults();

    CommandContext& context_;
    PlanRun run_;
    Plan plan_;
    bool planned_ = false;  // plan_ came from a file (else: the present controllers)
    std::string fileName_;
    Task task_ = Task::Audit;
    std::vector<RowResult> results_;
    std::vector<std::string> notes_;  // the running row's progress
    std::string prompt_;
    std::size_t ended_ = 0;
    std::optional<RunSummary> summary_;
};

// The colour of a row in this state (the balloons' colours where they fit).
Colour StateColour(RowState state);

}  // namespace tulex::plan
