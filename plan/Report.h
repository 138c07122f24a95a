#pragma once
// The record of a plan run that the site keeps: one self-contained HTML
// file (no outside files, opens in any browser, prints on A4) and the same
// as JSON for machines. Both hold the site, the date, the tool, the port
// and speed, the plan, each row's result and the parameters read back, the
// differences from the plan, and the line map.

#include <string>
#include <vector>

#include "controller/LineMap.h"
#include "plan/Plan.h"
#include "plan/RunResults.h"

namespace tulex::plan {

struct RunReport {
    Task task = Task::Audit;
    bool planned = true;   // false: the audit of the present controllers without a plan
    std::string date;      // "2024-05-17 14:03"
    std::string tool;      // "ТУЛЕКС 1.8"
    std::string port;      // the port's name
    std::string speed;     // bit/s
    std::string planFile;  // the plan's file name, if any
    Plan plan;
    std::vector<RowResult> results;  // by row; a row never reached is Pending
    RunSummary summary;
    LineMap::Snapshot map;
};

std::string ReportHtml(const RunReport& report);
std::string ReportJson(const RunReport& report);

// "2024-05-17 14:03" of the local time now.
std::string LocalDateText();

}  // namespace tulex::plan
