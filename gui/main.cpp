// tulex: the window program.

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "gui/AppIcon.h"
#include "gui/CommandLine.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "gui/PlanWindow.h"
#include "gui/Translations.h"
#include "version/Version.h"

namespace {

int Usage(const tulex::StartOptions& options) {
    if (options.help) {
        std::fputs(qPrintable(tulex::UsageText()), stdout);
        return 0;
    }
    std::fprintf(stderr, "tulex: %s\n%s", qPrintable(options.error), qPrintable(tulex::UsageText()));
    return 2;
}

int Version() {
    std::printf("tulex %s\n", tulex::kVersion);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    {
        // Help, the version and faulty values are answered before a display is needed.
        QStringList raw;
        for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
        const tulex::StartOptions early = tulex::ParseStartOptions(raw);
        if (early.help || (!early.error.isEmpty() && !early.unknownArgument)) return Usage(early);
        if (early.version && early.error.isEmpty()) return Version();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ТУЛЕКС"));
    QApplication::setApplicationVersion(QString::fromUtf8(tulex::kVersion));
    QApplication::setDesktopFileName(tulex::DesktopId());
    QApplication::setWindowIcon(tulex::AppIcon());
    tulex::InstallQtTranslations(app);
    const QStringList arguments = QApplication::arguments();
    const tulex::StartOptions options = tulex::ParseStartOptions(arguments);
    if (options.help || !options.error.isEmpty()) return Usage(options);
    if (options.version) return Version();

    tulex::MainView view(arguments);
    tulex::MainWindow& window = view.window();
    window.CentreOnScreen();
    window.show();

    if (options.events) window.eventsAction->trigger();
    if (options.monitor) view.ShowMonitor();
    if (options.statistics) view.ShowStatistics();
    if (!options.port.isEmpty()) {
        // After the window is on screen, so that a port message box has its owner.
        QTimer::singleShot(0, &window, [&view, &options] { view.OpenPort(options.port, options.speed); });
    }
    if (!options.plan.isEmpty()) {
        // After the port's open, which is queued before.
        QTimer::singleShot(0, &window, [&view, &options] {
            view.ShowPlanWindow();
            tulex::PlanWindow& plan = *view.planWindow();
            if (!plan.OpenPlan(options.plan)) return;
            plan.factoryEdit->setText(options.factoryIndex);
            if (options.planStart == QStringLiteral("audit")) plan.StartAudit();
            if (options.planStart == QStringLiteral("apply")) plan.StartApply();
        });
    }
    if (!options.screenshot.isEmpty()) {
        QTimer::singleShot(options.delayMs, &window, [&window, &options] {
            QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
            // With a plan window, the picture is of the program's windows only.
            QRect area;
            if (!options.plan.isEmpty())
                for (const QWidget* w : QApplication::topLevelWidgets())
                    if (w->isVisible()) area |= w->frameGeometry();
            QPixmap picture = !screen          ? QPixmap()
                              : area.isEmpty() ? screen->grabWindow(0)
                                               : screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
            // Platforms without screen capture (offscreen) give an empty picture.
            if (picture.isNull() || picture.toImage().allGray()) picture = window.grab();
            if (!picture.save(options.screenshot))
                std::fprintf(stderr, "tulex: cannot write %s\n", qPrintable(options.screenshot));
            window.close();
        });
    }
    return QApplication::exec();
}
