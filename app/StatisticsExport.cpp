#include "app/StatisticsExport.h"

#include "app/MonitorSave.h"
#include "controller/StatisticsText.h"
#include "display/Captions.h"
#include "display/SaveFile.h"

namespace tulex {

std::string StatisticsExportOffer(const std::string& monitorPath) {
    return SaveFolderOf(monitorPath) + "statistics.csv";
}

bool ExportStatisticsAs(const LineStatistics& statistics, const std::string& path, View& view) {
    if (PathExists(path) && !view.AskYesNo(kCaptionWarning, "Файл ''" + path + "'' уже существует.\n\nЗаменить?"))
        return false;
    SaveFile file;
    const SaveFile::OpenError opened = file.Create(path);
    bool written =
        opened == SaveFile::OpenError::None && file.Write(StatisticsCsv(statistics.Snapshot(), statistics.clock()));
    if (!file.Close()) written = false;
    if (opened == SaveFile::OpenError::None && written) return true;
    const auto error = opened == SaveFile::OpenError::ReadOnly  ? TrafficLog::SaveError::ReadOnly
                       : opened == SaveFile::OpenError::BadPath ? TrafficLog::SaveError::BadPath
                                                                : TrafficLog::SaveError::Incomplete;
    view.ShowMessage(kStatisticsExportCaption, SaveErrorText(error, path), MessageIcon::Warning);
    return false;
}

std::optional<std::string> ExportStatistics(const LineStatistics& statistics, const std::string& monitorPath,
                                            View& view) {
    const auto path = view.InputQuery(kStatisticsExportCaption, "Путь к файлу:", StatisticsExportOffer(monitorPath));
    if (!path || path->empty()) return std::nullopt;
    if (!ExportStatisticsAs(statistics, *path, view)) return std::nullopt;
    return *path;
}

}  // namespace tulex
