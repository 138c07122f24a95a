#include "gui/AppIcon.h"

#include <QDirIterator>

// Outside any namespace, unnamed ones too: Q_INIT_RESOURCE declares the
// resource's initialiser where it stands, and the initialiser has none.
static void InitIconResource() { Q_INIT_RESOURCE(icons); }

namespace tulex {

QString DesktopId() { return QStringLiteral(TULEX_APP_ID); }

QIcon AppIcon() {
    InitIconResource();
    // The resource keeps the icon theme's layout: :/icons/NxN/apps/<id>.png.
    QIcon icon;
    QDirIterator it(QStringLiteral(":/icons"), {DesktopId() + QStringLiteral(".png")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) icon.addFile(it.next());
    return icon;
}

}  // namespace tulex
