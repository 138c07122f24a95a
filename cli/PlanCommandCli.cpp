// tulex-cli plan: commissioning plans without a window.
//
//   plan template FILE                  a CSV template (JSON for a .json name)
//   plan audit [FILE] [--report F.html]  compare the line with the plan; without
//                                        FILE: search, then read every controller found
//   plan apply FILE [--factory-index X] [--connect-wait SECONDS] [--report F.html]
//
// A plan that does not read is refused whole (every error on standard error,
// status 2). Each row prints as it ends (with --json one object per row, the
// summary last) and the status is 0 only when every row is done or already
// as planned. The report is written as F.html and beside it as F.json.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "plan/FieldValues.h"
#include "plan/PlanFile.h"
#include "plan/PlanRun.h"
#include "plan/Report.h"
#include "plan/RunJson.h"

namespace tulex::cli {

namespace {

using namespace tulex::plan;

const char* const kPlanUsage =
    "Usage: tulex-cli plan template FILE\n"
    "       tulex-cli [OPTIONS] plan audit [FILE] [--report FILE.html] [--json]\n"
    "       tulex-cli [OPTIONS] plan apply FILE [--factory-index X] [--connect-wait SECONDS]\n"
    "                                          [--report FILE.html] [--site NAME] [--json]\n"
    "FILE: a plan, CSV (columns index;name;preset;mode;relay1..relay4;master_card) or JSON.\n"
    "audit without FILE searches the line and reads every controller found.\n"
    "--factory-index X: rows whose controller does not answer take the next new controller\n"
    "  that answers at X (connect them one by one); --connect-wait: how long to wait for it.\n"
    "--report: the report as FILE.html and FILE.json. Status 0 only when every row is done\n"
    "  or already as planned.\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "tulex-cli: plan: %s\n%s", problem.c_str(), kPlanUsage);
    return kExitUsage;
}

struct PlanArguments {
    std::string action;  // template, audit, apply
    std::optional<std::filesystem::path> file;
    std::optional<std::filesystem::path> report;
    std::optional<std::uint8_t> factoryIndex;
    std::optional<std::chrono::milliseconds> connectWait;
    std::optional<std::string> site;
    bool json = false;
};

// Nullopt after a usage message.
std::optional<PlanArguments> ParseArguments(const std::vector<std::string>& args, int& status) {
    status = kExitUsage;
    if (args.empty()) {
        std::fputs(kPlanUsage, stderr);
        return std::nullopt;
    }
    PlanArguments a;
    a.action = args[0];
    if (a.action != "template" && a.action != "audit" && a.action != "apply") {
        Usage("the action must be template, audit or apply, not \"" + a.action + "\"");
        return std::nullopt;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--json") {
            a.json = true;
        } else if (arg == "--report" || arg == "--factory-index" || arg == "--connect-wait" || arg == "--site") {
            if (!hasValue) {
                Usage(arg + " needs a value");
                return std::nullopt;
            }
            const std::string& value = args[++i];
            if (arg == "--report") {
                a.report = Utf8Path(value);
            } else if (arg == "--site") {
                a.site = value;
            } else if (arg == "--factory-index") {
                std::uint8_t index = 0;
                std::string error;
                if (!ParseIndexValue(value, index, error)) {
                    Usage("--factory-index: " + error);
                    return std::nullopt;
                }
                a.factoryIndex = index;
            } else {
                char* end = nullptr;
                const double seconds = std::strtod(value.c_str(), &end);
                if (value.empty() || *end != '\0' || !(seconds > 0 && seconds < 1e7)) {
                    Usage("--connect-wait takes a positive number of seconds, not \"" + value + "\"");
                    return std::nullopt;
                }
                a.connectWait = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
            }
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            Usage("unknown option \"" + arg + "\"");
            return std::nullopt;
        } else if (!a.file) {
            a.file = Utf8Path(arg);
        } else {
            Usage("too many arguments");
            return std::nullopt;
        }
    }
    if (!a.file && a.action != "audit") {
        Usage("missing FILE");
        return std::nullopt;
    }
    if (a.factoryIndex && a.action != "apply") {
        Usage("--factory-index is for plan apply");
        return std::nullopt;
    }
    return a;
}

// The report's JSON beside its HTML: F.html -> F.json.
std::filesystem::path JsonBeside(std::filesystem::path html) {
    if (html.extension() == ".html" || html.extension() == ".htm") return html.replace_extension(".json");
    return html += ".json";
}

// Prints the rows as they end and keeps what the report needs.
class PrintingObserver final : public RunObserver {
public:
    PrintingObserver(ConsoleView& view, const Plan& plan, bool json, bool planned)
        : view_(view), plan_(plan), json_(json), planned_(planned) {
        results.resize(plan.rows.size());
    }

    void RowStarted(std::size_t) override {}
    void RowProgress(std::size_t row, const std::string& text, bool asksOperator) override {
        if (!asksOperator) return;
        if (json_)
            view_.PrintJson(ProgressEventJson(plan_.rows[row], text));
        else
            view_.PrintLine(IndexUtf8(plan_.rows[row].index) + ": " + text);
    }
    void RowEnded(std::size_t row, const RowResult& result) override {
        results[row] = result;
        if (json_)
            view_.PrintJson(RowEventJson(plan_.rows[row], result));
        else
            PrintRow(plan_.rows[row], result);
    }
    void RunEnded(const RunSummary& s) override { summary = s; }

    std::vector<RowResult> results;
    std::optional<RunSummary> summary;

private:
    void PrintRow(const PlannedController& row, const RowResult& result) {
        std::string line = IndexUtf8(row.index);
        if (!row.name.empty()) line += " «" + row.name + "»";
        line += std::string(": ") + RowStateText(result.state);
        if (!result.written.empty()) {
            line += " — записано:";
            for (std::size_t i = 0; i < result.written.size(); ++i)
                line += (i ? ", " : " ") + StepText(result.written[i]);
        }
        if (result.state == RowState::Failed || result.state == RowState::Skipped)
            line += " — " + (result.step.empty() ? std::string() : StepText(result.step) + ": ") + result.text;
        if (!planned_ && result.parameters) {
            const ParameterRegisters& p = *result.parameters;
            line += " — " + ModeOfRegister(p.mode);
            for (std::size_t relay = 0; relay < 4; ++relay)
                line += (relay ? "/" : ", реле ") + TenthsText(p.relays[relay]);
        }
        view_.PrintLine(line);
        if (result.state == RowState::Differs)
            for (const Difference& d : result.differences)
                view_.PrintLine("  " + StepText(d.field) + ": по плану " + d.planned + ", в контроллере " + d.found);
    }

    ConsoleView& view_;
    const Plan& plan_;
    const bool json_;
    const bool planned_;
};

std::string SummaryLine(const RunSummary& s) {
    return "Итог: выполнено " + std::to_string(s.done) + ", совпадает " + std::to_string(s.matched) + ", ошибка " +
           std::to_string(s.failed) + ", пропущено " + std::to_string(s.skipped) + ", отличается " +
           std::to_string(s.differs);
}

int RunTemplate(const PlanArguments& a) {
    const std::string error = WritePlanTemplate(*a.file);
    if (!error.empty()) {
        std::fprintf(stderr, "tulex-cli: %s\n", TerminalSafe(error).c_str());
        return kExitUsage;
    }
    return kExitSuccess;
}

// The plan of the file, or nullopt after its errors went to standard error.
std::optional<Plan> ReadPlan(const PlanArguments& a) {
    const PlanReadResult read = ReadPlanFile(*a.file);
    if (!read.plan) {
        for (const PlanError& e : read.errors)
            std::fprintf(stderr, "tulex-cli: %s: %s\n", TerminalSafe(PathText(*a.file)).c_str(),
                         TerminalSafe(PlanErrorText(e)).c_str());
        return std::nullopt;
    }
    Plan plan = *read.plan;
    if (a.site) plan.site = *a.site;
    return plan;
}

// "Поиск контроллеров", for the audit without a plan.
bool SearchLine(CliSession& session) {
    ConsoleView& view = session.view();
    session.session().controller().SearchControllers();
    return session.RunUntil([&] { return view.CommandControlsEnabled(); }) == CliSession::Stop::Condition;
}

}  // namespace

int RunPlanCommand(const CliOptions& globalOptions) {
    int status = kExitUsage;
    const auto a = ParseArguments(globalOptions.args, status);
    if (!a) return status;
    if (a->action == "template") return RunTemplate(*a);

    std::optional<Plan> plan;
    if (a->file) {
        plan = ReadPlan(*a);
        if (!plan) return kExitUsage;
        if (a->factoryIndex) {
            for (const auto& row : plan->rows) {
                if (row.index != *a->factoryIndex) continue;
                return Usage("the factory index " + IndexUtf8(*a->factoryIndex) + " is a planned index (line " +
                             std::to_string(row.line) + ")");
            }
        }
    }

    CliOptions options = globalOptions;
    options.json = options.json || a->json;
    CliSession session(options);
    if (const int opened = session.Open(); opened != kExitSuccess) return opened;
    ConsoleView& view = session.view();
    const bool planned = plan.has_value();
    if (!planned) {
        if (!SearchLine(session)) {
            std::fprintf(stderr, "tulex-cli: %s\n", session.Interrupted() ? "interrupted" : "the port went away");
            return kExitFailure;
        }
        plan = PlanOfPresentControllers(session.session().map());
        if (plan->rows.empty()) {
            std::fprintf(stderr, "tulex-cli: no controller answered on the line\n");
            return kExitFailure;
        }
        if (a->site) plan->site = *a->site;
    }

    RunOptions runOptions;
    runOptions.task = a->action == "apply" ? Task::Apply : Task::Audit;
    runOptions.factoryIndex = a->factoryIndex;
    runOptions.connectWait = a->connectWait;
    PrintingObserver observer(view, *plan, options.json, planned);
    PlanRun run(session.session());
    if (!run.Start(*plan, runOptions, observer)) return kExitFailure;

    // SIGINT or SIGTERM stops the run after its current step; the rows left
    // end as skipped and the report is still written.
    if (session.RunUntil([&] { return observer.summary.has_value(); }) == CliSession::Stop::Signal) run.Stop();
    session.dispatcher().RunUntil([&] { return observer.summary.has_value(); }, std::chrono::hours(24 * 365));
    const RunSummary summary = observer.summary.value_or(RunSummary{});

    int result = summary.AllGood() && summary.Ended() == plan->rows.size() ? kExitSuccess : kExitFailure;
    if (a->report) {
        RunReport report;
        report.task = runOptions.task;
        report.planned = planned;
        report.date = LocalDateText();
        report.tool = "ТУЛЕКС 1.8";
        report.port = options.port;
        report.speed = options.speed;
        report.planFile = a->file ? PathText(a->file->filename()) : std::string();
        report.plan = *plan;
        report.results = observer.results;
        report.summary = summary;
        report.map = session.session().map().Take();
        for (const auto& [path, text] :
             {std::pair{*a->report, ReportHtml(report)}, std::pair{JsonBeside(*a->report), ReportJson(report)}}) {
            const std::string error = WriteTextFile(path, text);
            if (error.empty()) continue;
            std::fprintf(stderr, "tulex-cli: %s\n", TerminalSafe(error).c_str());
            result = kExitFailure;
        }
    }
    session.Close();
    if (options.json)
        view.PrintJson(SummaryEventJson(summary));
    else
        view.PrintLine(SummaryLine(summary));
    return result;
}

}  // namespace tulex::cli
