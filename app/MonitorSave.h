#pragma once
// "Монитор: Сохранить в файл": the path dialog (offering the path last
// confirmed), the question before an existing file is replaced, the save
// and the operator's words for what went wrong.

#include <string>

#include "app/View.h"
#include "display/TrafficLog.h"

namespace tulex {

// The whole save, from the path dialog on. UI thread.
void SaveMonitor(TrafficLog& log, View& view);

// From a confirmed path on: the replace question, the save, its warning.
// True when the file was written.
bool SaveMonitorAs(TrafficLog& log, const std::string& path, View& view,
                   TrafficLog::Encoding encoding = TrafficLog::Encoding::Cp1251);

// The folder a save dialog opens in: that of the path last confirmed (the
// path itself when it names a folder, as the first offer does).
std::string SaveFolderOf(const std::string& path);

// The warning text of a failed save; empty for None.
std::string SaveErrorText(TrafficLog::SaveError error, const std::string& path);

}  // namespace tulex
