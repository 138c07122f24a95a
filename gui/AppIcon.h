#pragma once
// The program's icon and its desktop identity. The icon is the one the menu
// entry and the icon theme show: every size rendered at build time from
// packaging/icons/<id>.svg and compiled in as a Qt resource.

#include <QIcon>
#include <QString>

namespace tulex {

// The desktop file's name without ".desktop" (org.tulex.Tulex): it ties the
// running window to its menu entry and icon.
QString DesktopId();

// Every size of the icon, 16 x 16 up.
QIcon AppIcon();

}  // namespace tulex
