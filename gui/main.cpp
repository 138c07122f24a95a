// tulex: the window program.

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "gui/CommandLine.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ТУЛЕКС"));
  const QStringList arguments = QApplication::arguments();
  const tulex::StartOptions options = tulex::ParseStartOptions(arguments);
  if (options.help) {
    std::fputs(qPrintable(tulex::UsageText()), stdout);
    return 0;
  }
  if (!options.error.isEmpty()) {
    std::fprintf(stderr, "tulex: %s\n%s", qPrintable(options.error), qPrintable(tulex::UsageText()));
    return 2;
  }

  tulex::MainView view(arguments);
  tulex::MainWindow& window = view.window();
  window.CentreOnScreen();
  window.show();

  if (options.monitor) view.Button6Click();
  if (!options.port.isEmpty()) {
    // After the window is on screen, so that a port message box has its owner.
    QTimer::singleShot(0, &window, [&view, &options] { view.OpenPort(options.port, options.speed); });
  }
  if (!options.screenshot.isEmpty()) {
    QTimer::singleShot(options.delayMs, &window, [&window, &options] {
      QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
      QPixmap picture = screen ? screen->grabWindow(0) : QPixmap();
      // Platforms without screen capture (offscreen) give an empty picture.
      if (picture.isNull() || picture.toImage().allGray()) picture = window.grab();
      if (!picture.save(options.screenshot)) std::fprintf(stderr, "tulex: cannot write %s\n", qPrintable(options.screenshot));
      window.close();
    });
  }
  return QApplication::exec();
}
