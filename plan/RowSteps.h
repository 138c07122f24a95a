#pragma once
// One row of a plan on the line: its audit (read, compare) and its apply
// (find the controller, or take the next new one from the factory index and
// give it its index; then write what differs, each write read back and
// compared). Worker thread, inside the run's transaction.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "plan/Plan.h"
#include "plan/RunResults.h"

namespace tulex {
class CommandContext;
}

namespace tulex::plan {

struct RunOptions {
    Task task = Task::Audit;
    // Apply: a row whose controller does not answer at its index takes the
    // next new controller that answers here.
    std::optional<std::uint8_t> factoryIndex;
    // How long to wait for that controller; none: until stopped.
    std::optional<std::chrono::milliseconds> connectWait;
};

struct RowContext {
    CommandContext& context;
    const PlannedController& row;
    const RunOptions& options;
    const std::atomic<bool>& stop;  // set by "Стоп": the row ends after its current step
    // Tells what the row does now (UTF-8); asksOperator when it waits for
    // the operator (connect a controller, present a card).
    std::function<void(const std::string& text, bool asksOperator)> progress;
};

RowResult AuditRow(const RowContext& row);
RowResult ApplyRow(const RowContext& row);

}  // namespace tulex::plan
