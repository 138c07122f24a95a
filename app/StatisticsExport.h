#pragma once
// "Экспорт CSV..." of the statistics window: the file a path dialog offers
// first, and from a confirmed path on the question before an existing file is
// replaced, the writing of the CSV (controller/StatisticsText) and the
// operator's words for what went wrong.

#include <optional>
#include <string>

#include "app/View.h"
#include "controller/LineStatistics.h"

namespace tulex {

inline constexpr const char* kStatisticsExportCaption = "Экспорт статистики";

// The path the dialog offers: statistics.csv in the folder of the monitor's
// last save (monitorPath: TrafficLog::filePath).
std::string StatisticsExportOffer(const std::string& monitorPath);

// True when the file was written; the window then shows "Сохранено: PATH".
bool ExportStatisticsAs(const LineStatistics& statistics, const std::string& path, View& view);

// The whole export with the view's input dialog for the path (the Win32
// window's way, as its monitor save): the path written to, or nothing.
std::optional<std::string> ExportStatistics(const LineStatistics& statistics, const std::string& monitorPath,
                                            View& view);

}  // namespace tulex
