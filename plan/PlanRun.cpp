#include "plan/PlanRun.h"

#include "app/CommandContext.h"
#include "app/Transaction.h"

namespace tulex::plan {

// What the worker and the UI thread share. The observer is touched only on
// the UI thread: the worker reaches it through PostToUi, and ~PlanRun (on
// the UI thread) takes it away.
struct PlanRun::State {
    Plan plan;
    RunOptions options;
    RunObserver* observer = nullptr;
    std::atomic<bool> stop{false};
    std::atomic<bool> running{false};
};

PlanRun::PlanRun(CommandContext& context) : context_(context) {}

PlanRun::~PlanRun() {
    if (!state_) return;
    state_->observer = nullptr;
    Stop();
}

bool PlanRun::Running() const { return state_ && state_->running; }

void PlanRun::Stop() {
    if (!state_ || !state_->running) return;
    state_->stop = true;
    // Wakes a wait for the operator (a new controller, the master card).
    context_.transaction().Signal(Reply::Cancel);
}

namespace {

// Queued, not waited for: the worker goes on with the line while the
// screen catches up, in order.
void Tell(CommandContext& context, const std::shared_ptr<PlanRun::State>& state,
          std::function<void(RunObserver&)> tell) {
    context.PostToUi([state, tell = std::move(tell)] {
        if (state->observer) tell(*state->observer);
    });
}

void RunRows(CommandContext& context, const std::shared_ptr<PlanRun::State>& state) {
    RunSummary summary;
    const auto& rows = state->plan.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        RowResult result;
        const bool portOpen = context.IsPortOpen();
        if (state->stop || !context.transaction().busy || !portOpen) {
            result.state = RowState::Skipped;
            result.text = portOpen ? "Остановлено оператором." : "Порт закрыт.";
        } else {
            Tell(context, state, [i](RunObserver& o) { o.RowStarted(i); });
            const RowContext row{
                context, rows[i], state->options, state->stop, [&](const std::string& text, bool asksOperator) {
                    Tell(context, state,
                         [i, text, asksOperator](RunObserver& o) { o.RowProgress(i, text, asksOperator); });
                }};
            result = state->options.task == Task::Apply ? ApplyRow(row) : AuditRow(row);
        }
        // A row stopped (by "Стоп", the main window's "Остановить" or the
        // port's close) stops the run: the rows after it are skipped.
        if (result.state == RowState::Skipped) state->stop = true;
        summary.Count(result.state);
        Tell(context, state, [i, result](RunObserver& o) { o.RowEnded(i, result); });
    }
    EndTransaction(context, false);
    // On the UI thread, so that the run counts as running until its rows
    // have all been told.
    context.PostToUi([state, summary] {
        state->running = false;
        if (state->observer) state->observer->RunEnded(summary);
    });
}

}  // namespace

bool PlanRun::Start(const Plan& plan, const RunOptions& options, RunObserver& observer) {
    if (Running() || context_.transaction().busy || context_.converterTransaction().busy) return false;
    if (!context_.IsPortOpen()) {
        context_.view().ShowMessage(kCaptionWarning, kStartWithPort, MessageIcon::Warning);
        return false;
    }
    // A run that was stopped may still be telling its last rows: it keeps
    // its own state, and this one starts afresh.
    if (state_) state_->observer = nullptr;
    state_ = std::make_shared<State>();
    state_->plan = plan;
    state_->options = options;
    state_->observer = &observer;
    state_->running = true;
    auto state = state_;
    CommandContext& context = context_;
    ControllerTransaction& transaction = context.transaction();
    context.EnableCommandControls(false);
    transaction.busy = 1;
    if (context.StartWorker([&context, state] { RunRows(context, state); })) return true;
    transaction.busy = 0;
    context.EnableCommandControls(true);
    state_->running = false;
    return false;
}

Plan PlanOfPresentControllers(const LineMap& map) {
    Plan plan;
    const auto snapshot = map.Take();
    for (const std::uint8_t index : LineMap::IndexTable()) {
        if (!snapshot.present.test(index)) continue;
        PlannedController row;
        row.index = index;
        plan.rows.push_back(row);
    }
    return plan;
}

}  // namespace tulex::plan
