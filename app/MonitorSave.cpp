#include "app/MonitorSave.h"

#include "display/Captions.h"
#include "display/SaveFile.h"

namespace tulex {
namespace {

constexpr const char* kSaveCaption = "Сохранить как...";

}  // namespace

std::string SaveErrorText(TrafficLog::SaveError error, const std::string& path) {
    switch (error) {
    case TrafficLog::SaveError::ReadOnly:
        return "Файла ''" + path + "'' доступен только для чтения.\n\nУкажите другое имя файла.";
    case TrafficLog::SaveError::BadPath: return "Путь или имя файла ''" + path + "'' указаны неверно.";
    case TrafficLog::SaveError::Incomplete:
        return "Файл ''" + path + "'' записан не полностью.\n\nПроверьте, есть ли место на диске.";
    case TrafficLog::SaveError::None: break;
    }
    return {};
}

bool SaveMonitorAs(TrafficLog& log, const std::string& path, View& view, TrafficLog::Encoding encoding) {
    if (PathExists(path) && !view.AskYesNo(kCaptionWarning, "Файл ''" + path + "'' уже существует.\n\nЗаменить?"))
        return false;
    const TrafficLog::SaveError error = log.SaveToFile(path, encoding);
    if (error == TrafficLog::SaveError::None) return true;
    view.ShowMessage(kSaveCaption, SaveErrorText(error, path), MessageIcon::Warning);
    return false;
}

std::string SaveFolderOf(const std::string& path) {
    const auto separator = path.find_last_of("/\\");
    if (separator == std::string::npos) return {};
    return path.substr(0, separator + 1);
}

void SaveMonitor(TrafficLog& log, View& view) {
    const auto path = view.InputQuery(kSaveCaption, "Путь к файлу:", log.filePath);
    if (!path) return;
    log.filePath = *path;  // as typed
    SaveMonitorAs(log, *path, view);
}

}  // namespace tulex
