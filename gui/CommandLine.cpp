#include "gui/Caption.h"

namespace tulex {

bool IsMasterArgument(const QStringList& arguments) {
  if (arguments.size() < 2) return false;
  return arguments.at(1).toLower() == QStringLiteral("-master");
}

QString WindowCaption(bool masterMode) {
  return masterMode ? QStringLiteral("ТУЛЕКС master") : QStringLiteral("ТУЛЕКС 1.8");
}

}  // namespace tulex
