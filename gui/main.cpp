#include <QApplication>
#include <QTimer>

#include "gui/Caption.h"
#include "gui/MainWindow.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ТУЛЕКС"));
  const QStringList args = QApplication::arguments();
  tulex::MainWindow window(tulex::IsMasterArgument(args));
  window.CentreOnScreen();
  window.show();
  const int shot = args.indexOf(QStringLiteral("--screenshot"));
  if (shot > 0 && shot + 1 < args.size()) {
    const QString path = args.at(shot + 1);
    QTimer::singleShot(800, &window, [&window, path] {
      window.grab().save(path);
      QApplication::quit();
    });
  }
  return QApplication::exec();
}
