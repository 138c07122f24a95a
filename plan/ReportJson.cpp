// The report for machines: the same content as the HTML file.

#include "plan/FieldValues.h"
#include "plan/Json.h"
#include "plan/Report.h"
#include "plan/RunJson.h"

namespace tulex::plan {

namespace {

std::string IndexList(const std::bitset<256>& set) {
    std::string out = "[";
    bool first = true;
    for (const std::uint8_t index : LineMap::IndexTable()) {
        if (!set.test(index)) continue;
        out += (first ? "" : ", ") + JsonQuote(IndexUtf8(index));
        first = false;
    }
    return out + "]";
}

}  // namespace

std::string ReportJson(const RunReport& r) {
    std::string out = "{\n  \"report\": \"plan\",\n  \"task\": ";
    out += JsonQuote(r.task == Task::Apply ? "apply" : "audit") + ",\n  \"planned\": ";
    out += std::string(r.planned ? "true" : "false") + ",\n  \"site\": " + JsonQuote(r.plan.site);
    out += ",\n  \"date\": " + JsonQuote(r.date) + ",\n  \"tool\": " + JsonQuote(r.tool);
    out += ",\n  \"port\": " + JsonQuote(r.port) + ",\n  \"speed\": " + JsonQuote(r.speed);
    out += ",\n  \"plan_file\": " + JsonQuote(r.planFile) + ",\n  \"summary\": ";
    const std::string summary = SummaryEventJson(r.summary);
    out += "{" + summary.substr(summary.find("\"done\""));  // the summary event without its event name
    out += ",\n  \"rows\": [\n";
    for (std::size_t i = 0; i < r.plan.rows.size(); ++i) {
        const RowResult result = i < r.results.size() ? r.results[i] : RowResult{};
        out += "    {" + RowResultFields(r.plan.rows[i], result) + ", \"planned\": " + PlannedJson(r.plan.rows[i]) +
               "}" + (i + 1 < r.plan.rows.size() ? ",\n" : "\n");
    }
    out += "  ],\n  \"map\": {\"present\": " + IndexList(r.map.present) +
           ", \"reply_only\": " + IndexList(r.map.replyOnly) + "}\n}\n";
    return out;
}

}  // namespace tulex::plan
