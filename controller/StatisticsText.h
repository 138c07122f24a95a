#pragma once
// The per-controller statistics as text: the time of day of an engine clock
// instant, tulex-cli's table and JSON object, and the CSV export. Texts are
// UTF-8; an index is its Windows-1251 character ("G", "Ж").

#include <chrono>
#include <string>
#include <vector>

#include "controller/LineStatistics.h"

namespace tulex {

// "HH:MM:SS.mmm" local time of an instant on the engine's clock, placed by
// where that clock stands against the wall clock now.
std::string TimeOfDayText(Clock::TimePoint at, Clock::TimePoint engineNow,
                          std::chrono::system_clock::time_point wallNow);
// The same for "now" on both clocks.
std::string TimeOfDayText(Clock::TimePoint at, const Clock& clock);

// Russian names of the frame kinds for the table and the tool-tip
// ("подтверждение", "карта", ...).
std::string HeardKindText(HeardKind kind);

// A reply time in milliseconds as shown ("12.5"); "—" when none.
std::string MillisecondsText(std::optional<double> ms);

// The tool-tip of a map cell: the controller's figures in a few lines.
std::string FiguresToolTip(const ControllerFigures& figures, const Clock& clock);

// tulex-cli: a table with a header line, one line per controller.
std::string StatisticsTable(const std::vector<ControllerFigures>& figures, const Clock& clock);
// tulex-cli --json: {"event": "stats", "controllers": {"G": {...}, ...}}.
std::string StatisticsJson(const std::vector<ControllerFigures>& figures, const Clock& clock);
// The CSV export: a header and one row per controller, ";" between fields,
// UTF-8 with a byte-order mark (spreadsheets then read the Cyrillic indexes),
// CR LF after each row.
std::string StatisticsCsv(const std::vector<ControllerFigures>& figures, const Clock& clock);

// The column names of the CSV (and tulex-cli's table), in order.
std::vector<std::string> StatisticsColumns();

}  // namespace tulex
