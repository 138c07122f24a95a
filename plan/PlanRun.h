#pragma once
// A plan run on the line: the audit or the apply of every row in turn, as
// one command on the session's worker (the command controls are disabled
// while it runs, as for any command). Stop ends it after the current step;
// an index change under way is finished first. The rows not reached end as
// skipped.
//
// What the run tells, it tells its observer on the UI thread (queued through
// the session's dispatcher, the worker does not wait for it), in this order: per row RowStarted, any number of
// RowProgress, RowEnded; then RunEnded once, after the command controls are
// enabled again.

#include <atomic>
#include <memory>
#include <string>

#include "plan/Plan.h"
#include "plan/RowSteps.h"
#include "plan/RunResults.h"

namespace tulex {
class CommandContext;
class LineMap;
}  // namespace tulex

namespace tulex::plan {

class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void RowStarted(std::size_t row) = 0;
    // What the row does now; asksOperator when it waits for the operator.
    virtual void RowProgress(std::size_t row, const std::string& text, bool asksOperator) = 0;
    virtual void RowEnded(std::size_t row, const RowResult& result) = 0;
    virtual void RunEnded(const RunSummary& summary) = 0;
};

class PlanRun {
public:
    explicit PlanRun(CommandContext& context);
    // Tells nothing more to the observer and stops a run still going.
    ~PlanRun();
    PlanRun(const PlanRun&) = delete;
    PlanRun& operator=(const PlanRun&) = delete;

    // UI thread. False when it cannot start: a command runs already, or the
    // port is closed (then the warning "Начните работу с выбора COM-порта."
    // is shown), or no worker could start.
    bool Start(const Plan& plan, const RunOptions& options, RunObserver& observer);
    // Ends the run after its current step (UI thread).
    void Stop();
    // From Start until just before RunEnded is told (UI thread).
    bool Running() const;

    // What the worker and the UI thread share (PlanRun.cpp).
    struct State;

private:
    CommandContext& context_;
    std::shared_ptr<State> state_;
};

// The audit without a plan: one row per controller of the map's present
// set, with nothing planned.
Plan PlanOfPresentControllers(const LineMap& map);

}  // namespace tulex::plan
