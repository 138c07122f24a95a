#pragma once
// A plan run on the in-memory line: the command fixture's engine, an
// observer that records what the run tells, and a builder for plan rows.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plan/PlanRun.h"
#include "tests/support/CommandFixture.h"

namespace tulex::test {

inline constexpr std::uint8_t kZhe = 0xC6;      // "Ж"
inline constexpr std::uint8_t kFactory = 0xFC;  // "ь": where new controllers answer in these tests

// A plan row, field by field: Row(kG).Preset(2).Mode(Mode::Online).Relay(1, "2.5").Card("0012345678").
struct Row {
    explicit Row(std::uint8_t index) { row.index = index; }
    Row& Name(std::string name);
    Row& Preset(int oneToFive);
    Row& Mode(tulex::Mode mode);
    Row& Relay(int oneToFour, const std::string& seconds);
    Row& Card(std::string tenHexDigits);
    operator plan::PlannedController() const { return row; }
    plan::PlannedController row;
};

plan::Plan MakePlan(std::vector<plan::PlannedController> rows, std::string site = "Тест");

class RecordingObserver final : public plan::RunObserver {
public:
    void RowStarted(std::size_t row) override { events.push_back("started " + std::to_string(row)); }
    void RowProgress(std::size_t row, const std::string& text, bool) override {
        progress.push_back({row, text});
        if (onProgress) onProgress(row, text);
    }
    void RowEnded(std::size_t row, const plan::RowResult& result) override;
    void RunEnded(const plan::RunSummary& s) override;

    std::vector<std::string> events;  // "started 0", "ended 0", "run ended"
    std::vector<std::pair<std::size_t, std::string>> progress;
    std::vector<plan::RowResult> results;  // by row, as they ended
    std::optional<plan::RunSummary> summary;
    bool controlsEnabledAtRunEnd = false;
    std::function<bool()> controlsEnabled;  // asked at RunEnded
    std::function<void(std::size_t, const std::string&)> onProgress;
};

class PlanRunFixture : public CommandFixture {
protected:
    // Runs the plan to its end; the results by row.
    std::vector<plan::RowResult> Run(const plan::Plan& plan, plan::RunOptions options);
    // Starts it; the test drives the loop itself (RunUntil).
    void Start(const plan::Plan& plan, plan::RunOptions options);

    static plan::RunOptions Audit() { return {plan::Task::Audit, std::nullopt, std::nullopt}; }
    static plan::RunOptions Apply(std::optional<std::uint8_t> factory = std::nullopt) {
        return {plan::Task::Apply, factory, std::nullopt};
    }
    // Request command texts written from the `from`-th request on.
    std::vector<std::string> CommandsSince(std::size_t from) const;
    // Writes among them: register writes, index changes, the master-card wait.
    std::vector<std::string> WritesSince(std::size_t from) const;

    RecordingObserver observer;
    std::unique_ptr<plan::PlanRun> run;
};

}  // namespace tulex::test
