#pragma once
// How each row of a plan run ended, and the count over the run. The state
// and step names are those of tulex-cli's JSON; the texts are the window's.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "plan/Comparison.h"
#include "plan/Readings.h"

namespace tulex::plan {

enum class Task { Apply, Audit };

enum class RowState {
    Pending,  // not reached yet
    Running,
    Done,     // written as planned and read back
    Matched,  // already as planned: nothing written
    Failed,   // a step failed (step, answer, text say which and why)
    Skipped,  // not done: the run was stopped or the port closed
    Differs,  // audit: read, and not as planned
};

// "done", "matched", ... (Pending and Running: "pending", "running").
const char* RowStateName(RowState state);
// "выполнено", "совпадает", ...
const char* RowStateText(RowState state);

// The steps of a row, as the JSON names them.
namespace step {
inline constexpr const char* kRead = "read";        // the parameter read
inline constexpr const char* kConnect = "connect";  // waiting for the next new controller
inline constexpr const char* kIndex = "index";      // the index change
inline constexpr const char* kPreset = "preset";    // the standard set
inline constexpr const char* kMode = "mode";        // the operating mode
inline constexpr const char* kMasterCard = "master_card";
}  // namespace step
// "Чтение параметров", "Реле 2", ... ("" for "").
std::string StepText(const std::string& step);

struct RowResult {
    RowState state = RowState::Pending;
    std::string step;    // where it failed or stopped
    std::string answer;  // the controller's answer there: "#", "timeout", the value read back
    std::string text;    // what to tell the operator (UTF-8)
    // Apply: what the first read found different from the plan (what was
    // written). Audit: the differences.
    std::vector<Difference> differences;
    std::vector<std::string> written;              // the fields written, in order
    std::optional<ParameterRegisters> parameters;  // the last parameter read
    std::optional<std::string> masterCard;         // the last master-card read
    std::optional<std::uint8_t> renamedFrom;       // the factory index it came from
};

struct RunSummary {
    std::size_t done = 0;
    std::size_t matched = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
    std::size_t differs = 0;

    void Count(RowState state);
    std::size_t Ended() const { return done + matched + failed + skipped + differs; }
    // Every row done or already as planned.
    bool AllGood() const { return failed == 0 && skipped == 0 && differs == 0; }
};

}  // namespace tulex::plan
