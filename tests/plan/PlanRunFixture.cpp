#include "tests/plan/PlanRunFixture.h"

#include "plan/FieldValues.h"

namespace tulex::test {

Row& Row::Name(std::string name) {
    row.name = std::move(name);
    return *this;
}

Row& Row::Preset(int oneToFive) {
    row.preset = static_cast<tulex::Preset>(oneToFive - 1);
    return *this;
}

Row& Row::Mode(tulex::Mode mode) {
    row.mode = mode;
    return *this;
}

Row& Row::Relay(int oneToFour, const std::string& seconds) {
    std::uint8_t tenths = 0;
    std::string error;
    EXPECT_TRUE(plan::ParseRelayValue(seconds, tenths, error)) << error;
    row.relayTenths.at(oneToFour - 1) = tenths;
    row.relayText.at(oneToFour - 1) = seconds;
    return *this;
}

Row& Row::Card(std::string tenHexDigits) {
    row.masterCard = std::move(tenHexDigits);
    return *this;
}

plan::Plan MakePlan(std::vector<plan::PlannedController> rows, std::string site) {
    plan::Plan plan;
    plan.site = std::move(site);
    plan.rows = std::move(rows);
    return plan;
}

void RecordingObserver::RowEnded(std::size_t row, const plan::RowResult& result) {
    events.push_back("ended " + std::to_string(row));
    if (results.size() <= row) results.resize(row + 1);
    results[row] = result;
}

void RecordingObserver::RunEnded(const plan::RunSummary& s) {
    events.push_back("run ended");
    summary = s;
    controlsEnabledAtRunEnd = controlsEnabled && controlsEnabled();
}

void PlanRunFixture::Start(const plan::Plan& plan, plan::RunOptions options) {
    observer = RecordingObserver{};
    observer.controlsEnabled = [this] { return view.commandControlsEnabled(); };
    run = std::make_unique<plan::PlanRun>(*session);
    ASSERT_TRUE(run->Start(plan, options, observer));
}

std::vector<plan::RowResult> PlanRunFixture::Run(const plan::Plan& plan, plan::RunOptions options) {
    Start(plan, options);
    EXPECT_TRUE(RunUntil([this] { return observer.summary.has_value(); }, std::chrono::seconds(60)));
    EXPECT_FALSE(run->Running());
    return observer.results;
}

std::vector<std::string> PlanRunFixture::CommandsSince(std::size_t from) const {
    const auto all = RequestCommands();
    return from < all.size() ? std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(from), all.end())
                             : std::vector<std::string>{};
}

std::vector<std::string> PlanRunFixture::WritesSince(std::size_t from) const {
    std::vector<std::string> writes;
    for (const auto& c : CommandsSince(from))
        if (c.starts_with("!") || c.starts_with("$0") || c == "$4") writes.push_back(c);
    return writes;
}

}  // namespace tulex::test
