// The plan readers (CSV as spreadsheets write it, and JSON) on arbitrary
// bytes, and the report built from a plan that read.
//
// The first byte picks the file's name (its extension decides the format
// when the text does not), the rest is the file.
//
// Checked: a file gives a plan or errors, never both and never neither; the
// errors are few (the reader stops and says so), each names a line that
// the file has and is UTF-8 text; a plan's rows have indexes of the index
// table, each once, relay times the relay dialog would take, master cards
// of ten upper-case hex digits and UTF-8 names; the report of the plan
// (HTML and JSON) is UTF-8 and the JSON one parses; a plan written as JSON
// or as CSV reads back as the same plan.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "fuzz/FuzzCheck.h"
#include "line/Frame.h"
#include "plan/PlanCsv.h"
#include "plan/PlanErrors.h"
#include "plan/PlanFile.h"
#include "plan/PlanJson.h"
#include "plan/Report.h"

namespace tulex::fuzz {
namespace {

constexpr std::array<const char*, 3> kNames{"plan.csv", "plan.json", "plan.txt"};

// Lines end in CR LF, LF or a lone CR.
int LineCount(std::string_view text) {
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++lines;
    return lines;
}

void CheckErrors(const plan::PlanReadResult& result, std::string_view bytes) {
    Require(result.errors.size() <= plan::kMaxPlanErrors + 1, "a reader stops after its most errors, and says so");
    for (const plan::PlanError& e : result.errors) {
        Require(!e.message.empty(), "an error says what is wrong");
        RequireUtf8(e.message, "an error's message is UTF-8");
        RequireUtf8(plan::PlanErrorText(e), "an error's text is UTF-8");
        Require(e.line >= 0 && e.column >= 0, "an error's place is not negative");
        Require(e.line <= LineCount(bytes), "an error names a line the file has");
    }
}

void CheckPlan(const plan::Plan& p) {
    RequireUtf8(p.site, "the site's name is UTF-8");
    std::set<std::uint8_t> seen;
    for (const plan::PlannedController& row : p.rows) {
        Require(IsIndexByte(row.index), "a row's index is one of the index table");
        Require(seen.insert(row.index).second, "no index is planned twice");
        RequireUtf8(row.name, "a row's name is UTF-8");
        for (std::size_t r = 0; r < row.relayTenths.size(); ++r) {
            const auto& tenths = row.relayTenths[r];
            Require(!tenths || *tenths >= 1, "a relay time is 0.1 s at least");
            RequireUtf8(row.relayText[r], "a relay time's text is UTF-8");
        }
        if (row.masterCard) {
            const std::string& card = *row.masterCard;
            Require(card.size() == 10 && card.find_first_not_of("0123456789ABCDEF") == std::string::npos,
                    "a master card is ten upper-case hex digits");
        }
    }
}

bool SameRows(const plan::Plan& a, const plan::Plan& b) {
    return std::equal(a.rows.begin(), a.rows.end(), b.rows.begin(), b.rows.end(),
                      [](const plan::PlannedController& x, const plan::PlannedController& y) {
                          return x.index == y.index && x.name == y.name && x.preset == y.preset && x.mode == y.mode &&
                                 x.relayTenths == y.relayTenths && x.masterCard == y.masterCard;
                      });
}

void CheckRoundTrips(const plan::Plan& p) {
    const plan::PlanReadResult json = plan::ReadPlanJson(plan::WritePlanJson(p));
    Require(json.plan && json.plan->site == p.site && SameRows(*json.plan, p), "a plan written as JSON reads back");
    const plan::PlanReadResult csv = plan::ReadPlanCsv(plan::WritePlanCsv(p));
    Require(csv.plan && SameRows(*csv.plan, p), "a plan written as CSV reads back");
}

void CheckReport(const plan::Plan& p) {
    plan::RunReport report;
    report.plan = p;
    report.date = "2024-05-17 14:03";
    report.tool = "ТУЛЕКС 1.8";
    report.port = "SIM1";
    report.speed = "9600";
    report.planFile = "plan.csv";
    report.results.resize(p.rows.size());
    RequireUtf8(plan::ReportHtml(report), "the HTML report is UTF-8");
    const std::string json = plan::ReportJson(report);
    RequireUtf8(json, "the JSON report is UTF-8");
    Require(nlohmann::json::accept(json), "the JSON report parses");
}

}  // namespace
}  // namespace tulex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulex::fuzz;
    if (size < 1) return 0;
    const char* name = kNames[data[0] % kNames.size()];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const tulex::plan::PlanReadResult result = tulex::plan::ReadPlanBytes(bytes, name);
    Require(result.plan.has_value() != !result.errors.empty(), "a file gives a plan or errors, never both");
    RequireUtf8(result.format, "the format's description is UTF-8");
    CheckErrors(result, bytes);
    if (result.plan) {
        CheckPlan(*result.plan);
        CheckRoundTrips(*result.plan);
        CheckReport(*result.plan);
    }
    return 0;
}
