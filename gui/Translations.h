#pragma once
// Qt's own Russian texts (standard buttons "Да", "Нет", "Отмена", the file
// dialog, the context menus of input fields), from the translations that
// Debian's qt6-translations-l10n installs. The program's own texts are
// Russian already and are not translated.

class QCoreApplication;

namespace tulex {

// Installs Qt's Russian translation into the application; false (and the
// English texts stay) when it is not installed.
bool InstallQtTranslations(QCoreApplication& application);

}  // namespace tulex
