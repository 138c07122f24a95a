#pragma once
// The window caption and the master switch of the command line.

#include <QString>
#include <QStringList>

namespace tulex {

// True when the first argument after the program name is "-master" in any
// mix of upper and lower case; nothing appended, no other position.
bool IsMasterArgument(const QStringList& arguments);

// "ТУЛЕКС 1.8", or "ТУЛЕКС master" in master mode.
QString WindowCaption(bool masterMode);

}  // namespace tulex
