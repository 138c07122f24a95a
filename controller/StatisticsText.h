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

// The windows' statistics table: its columns in order, each one's header
// and hint, the text of a cell and the order a column sorts its rows in.
enum class StatisticsColumn : int {
    Index,
    LastHeard,
    LastKind,
    Acks,
    Positives,
    Errors,
    Data,
    Cards,
    Sensors,
    Polls,
    Requests,
    Timeouts,
    ReplyMin,
    ReplyMean,
    ReplyMax,
};
inline constexpr int kStatisticsColumnCount = 15;

std::string StatisticsHeader(StatisticsColumn column);  // "Индекс", "Подтв.", ...
std::string StatisticsHint(StatisticsColumn column);    // "Индекс контроллера", ...
// The index, the time and the kind read from the left; the figures from the right.
bool StatisticsAlignedLeft(StatisticsColumn column);
// A cell as the table shows it: the index character, the time of day or
// "—", the kind's Russian name or "—", a count, a reply time ("12.5") or "—".
std::string StatisticsCell(const ControllerFigures& figures, StatisticsColumn column, const Clock& clock);
// Whether row a comes before row b when the column sorts them upwards: by
// the value, not its text (a controller never heard, or without a reply time,
// comes first).
bool StatisticsLess(const ControllerFigures& a, const ControllerFigures& b, StatisticsColumn column);

}  // namespace tulex
