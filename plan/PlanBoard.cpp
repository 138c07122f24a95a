#include "plan/PlanBoard.h"

#include "app/CommandContext.h"
#include "controller/StandardSets.h"
#include "plan/FieldValues.h"
#include "plan/PlanFile.h"
#include "plan/Report.h"

namespace tulex::plan {

PlanBoard::PlanBoard(CommandContext& context) : context_(context), run_(context) {}

void PlanBoard::Changed() {
    if (changed) changed();
}

void PlanBoard::ResetResults() {
    results_.assign(plan_.rows.size(), RowResult{});
    notes_.assign(plan_.rows.size(), std::string());
    prompt_.clear();
    ended_ = 0;
    summary_.reset();
}

std::vector<std::string> PlanBoard::Load(const std::filesystem::path& path) {
    std::vector<std::string> errors;
    if (Running()) return {"план выполняется: сначала остановите его"};
    const PlanReadResult read = ReadPlanFile(path);
    if (!read.plan) {
        for (const PlanError& e : read.errors) errors.push_back(PlanErrorText(e));
        return errors;
    }
    plan_ = *read.plan;
    planned_ = true;
    fileName_ = PathText(path.filename());
    ResetResults();
    Changed();
    return errors;
}

std::string PlanBoard::Start(Task task, const std::string& factoryIndexText) {
    if (Running()) return "план уже выполняется";
    RunOptions options;
    options.task = task;
    const std::string factoryText = TrimmedValue(factoryIndexText);
    if (!factoryText.empty()) {
        if (task == Task::Apply) {
            std::uint8_t index = 0;
            std::string error;
            if (!ParseIndexValue(factoryText, index, error)) return "Заводской индекс: " + error;
            for (const auto& row : plan_.rows)
                if (row.index == index)
                    return "Заводской индекс " + IndexUtf8(index) + " есть в плане (строка " +
                           std::to_string(row.line) + ")";
            options.factoryIndex = index;
        }
    }
    if (task == Task::Apply && !planned_) return "Откройте план: применять нечего";
    if (!planned_) {
        // The audit of what the map has heard.
        plan_ = PlanOfPresentControllers(context_.map());
        fileName_.clear();
        if (plan_.rows.empty()) {
            ResetResults();
            Changed();
            return "В линии нет найденных контроллеров: выполните поиск контроллеров";
        }
    }
    task_ = task;
    ResetResults();
    if (!run_.Start(plan_, options, *this)) {
        Changed();
        return "-";
    }
    Changed();
    return {};
}

void PlanBoard::Stop() { run_.Stop(); }

const std::vector<std::string>& PlanBoard::ColumnTitles() {
    static const std::vector<std::string> titles{"№",      "Индекс",       "Название",  "Набор",
                                                 "Режим",  "Реле 1",       "Реле 2",    "Реле 3",
                                                 "Реле 4", "Мастер-карта", "Состояние", "Примечание"};
    return titles;
}

std::vector<std::string> PlanBoard::RowCells(std::size_t i) const {
    const PlannedController& row = plan_.rows.at(i);
    const RowResult& result = results_.at(i);
    std::vector<std::string> cells{std::to_string(i + 1), IndexUtf8(row.index), row.name};
    cells.push_back(row.preset ? PresetValueText(*row.preset) : "");
    cells.push_back(row.mode ? ModeValueText(*row.mode) : "");
    for (const auto& tenths : row.relayTenths) cells.push_back(tenths ? TenthsText(*tenths) : "");
    cells.push_back(row.masterCard.value_or(""));
    cells.push_back(RowStateText(result.state));
    std::string note;
    if (result.state == RowState::Running) {
        note = notes_.at(i);
    } else if (result.state == RowState::Differs) {
        for (const Difference& d : result.differences)
            note += (note.empty() ? "" : "; ") + StepText(d.field) + ": " + d.found + " (по плану " + d.planned + ")";
    } else if (result.state == RowState::Failed || result.state == RowState::Skipped) {
        note = (result.step.empty() ? "" : StepText(result.step) + ": ") + result.text;
    } else if (result.state == RowState::Done) {
        note = "записано:";
        for (std::size_t k = 0; k < result.written.size(); ++k) note += (k ? ", " : " ") + StepText(result.written[k]);
    } else if (!planned_ && result.parameters) {
        note = ModeOfRegister(result.parameters->mode);
        for (std::size_t relay = 0; relay < 4; ++relay)
            note += (relay ? "/" : ", реле ") + TenthsText(result.parameters->relays[relay]);
    }
    cells.push_back(note);
    return cells;
}

std::string PlanBoard::PresetCaption(std::size_t row) const {
    const auto& preset = plan_.rows.at(row).preset;
    return preset ? StandardSets().at(static_cast<std::size_t>(*preset)).caption : "";
}

Colour StateColour(RowState state) {
    switch (state) {
    case RowState::Pending: return kCellWhite;
    case RowState::Running: return kWaitingColour;
    case RowState::Done:
    case RowState::Matched: return kSuccessColour;
    case RowState::Failed: return kFailureColour;
    case RowState::Skipped: return kSensorColour;
    case RowState::Differs: return Colour{255, 204, 102};
    }
    return kCellWhite;
}

Colour PlanBoard::RowColour(std::size_t row) const { return StateColour(results_.at(row).state); }

std::string PlanBoard::ProgressText() const {
    if (!HasResults()) return "";
    return std::to_string(ended_) + " из " + std::to_string(plan_.rows.size());
}

std::string PlanBoard::SaveReport(const std::filesystem::path& htmlPath, const std::string& port,
                                  const std::string& speed) const {
    if (!summary_) return "отчёта ещё нет: сначала выполните план или проверку";
    RunReport report;
    report.task = task_;
    report.planned = planned_;
    report.date = LocalDateText();
    report.tool = "ТУЛЕКС 1.8";
    report.port = port;
    report.speed = speed;
    report.planFile = fileName_;
    report.plan = plan_;
    report.results = results_;
    report.summary = *summary_;
    report.map = context_.map().Take();
    std::filesystem::path jsonPath = htmlPath;
    jsonPath.replace_extension(".json");
    std::string error = WriteTextFile(htmlPath, ReportHtml(report));
    if (error.empty()) error = WriteTextFile(jsonPath, ReportJson(report));
    return error;
}

void PlanBoard::RowStarted(std::size_t row) {
    results_.at(row).state = RowState::Running;
    Changed();
}

void PlanBoard::RowProgress(std::size_t row, const std::string& text, bool asksOperator) {
    notes_.at(row) = text;
    prompt_ = asksOperator ? IndexUtf8(plan_.rows.at(row).index) + ": " + text : std::string();
    Changed();
}

void PlanBoard::RowEnded(std::size_t row, const RowResult& result) {
    results_.at(row) = result;
    prompt_.clear();
    ++ended_;
    Changed();
}

void PlanBoard::RunEnded(const RunSummary& summary) {
    summary_ = summary;
    Changed();
}

}  // namespace tulex::plan
