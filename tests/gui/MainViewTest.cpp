// The window logic on the real widgets: the port buttons, the map's click,
// double click and shortcuts, the monitor buttons, calls from other threads,
// and a shutdown with the port open.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "app/LineSession.h"
#include "gui/LineMapWidget.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "gui/MonitorView.h"
#include "gui/MonitorWindow.h"
#include "gui/PopupHost.h"
#include "gui/StatisticsWindow.h"
#include "line/Cp1251.h"
#include "tests/gui/WindowFixture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace tulex {
namespace {

using test::MessageBoxCatcher;

class MainViewTest : public test::WindowOnPty {};

TEST_F(MainViewTest, OpenAndCloseSwitchThePortControls) {
    OpenPty();
    EXPECT_FALSE(w().openButton->isEnabled());
    EXPECT_FALSE(w().portBox->isEnabled());
    EXPECT_FALSE(w().speedBox->isEnabled());
    EXPECT_TRUE(w().closeButton->isEnabled());
    EXPECT_EQ(w().PanelText(1), "0");
    w().closeButton->click();
    EXPECT_FALSE(session().IsPortOpen());
    EXPECT_TRUE(w().openButton->isEnabled());
    EXPECT_TRUE(w().portBox->isEnabled());
}

TEST_F(MainViewTest, MapDoubleClickWarnsWhileThePortIsClosed) {
    MessageBoxCatcher catcher;
    QTest::mouseDClick(w().lineMap, Qt::LeftButton, {}, LineMapWidget::CellRect(0x50).center());
    EXPECT_EQ(catcher.caption, "Предупреждение");
    EXPECT_EQ(catcher.text, "Начните работу с выбора COM-порта.");
    EXPECT_FALSE(w().controllerMenu->isVisible());
    EXPECT_EQ(session().map().SelectedIndex(), 0x50);
}

TEST_F(MainViewTest, MapDoubleClickOpensTheCommandMenuAtTheCell) {
    OpenPty();
    QTest::mouseDClick(w().lineMap, Qt::LeftButton, {}, LineMapWidget::CellRect(0x61).center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w().controllerMenu->isVisible(); }, 2000));
    EXPECT_EQ(w().controllerMenu->pos(), w().IndexScreenPoint(0x61));
    w().controllerMenu->hide();
}

// F1 is the presence check, F5 held with 4 the master card past the
// separator: each reaches its command, and only while the port is open.
TEST_F(MainViewTest, ShortcutsWorkOnlyWithThePortOpen) {
    w().lineMap->setFocus();
    QTest::keyClick(w().lineMap, Qt::Key_F1);
    EXPECT_EQ(session().transaction().busy, 0);

    OpenPty();
    QTest::keyClick(w().lineMap, Qt::Key_F1);
    EXPECT_EQ(session().transaction().commandList, std::vector<std::string>{"$$02"});
    // The worker logs through the UI thread before it writes: keep it running.
    std::string sent;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            sent += pty.Receive(std::chrono::milliseconds(10));
            return sent.find("$$02") != std::string::npos;
        },
        3000));
    pty.Send("#?");  // the error reply ends the check
    // The map takes keys again once the end of the check enabled the controls.
    ASSERT_TRUE(QTest::qWaitFor([&] { return session().transaction().busy == 0 && w().lineMap->isEnabled(); }, 5000));

    MessageBoxCatcher no(QMessageBox::No);
    QTest::keyPress(w().lineMap, Qt::Key_F5);
    QTest::keyClick(w().lineMap, Qt::Key_4);
    QTest::keyRelease(w().lineMap, Qt::Key_F5);
    EXPECT_EQ(no.caption, "Задание мастер-карты");
    QTest::qWait(200);
    EXPECT_EQ(pty.Receive(std::chrono::milliseconds(10)), "") << "answered No: nothing sent";
}

TEST_F(MainViewTest, MapClickRemovesBalloonAndSensorButLeavesCards) {
    view.ShowBalloon(0x50, "Ожидание ответа...", "", kWaitingColour);
    view.ShowSensorPopup(0x51, "1");
    view.ShowCardPopup(0x52, "Доступ запрещен", "");
    QTest::mouseClick(w().lineMap, Qt::LeftButton, {}, LineMapWidget::CellRect(0x60).center());
    EXPECT_EQ(w().popups->balloon(), nullptr);
    EXPECT_EQ(w().popups->sensor(), nullptr);
    EXPECT_EQ(w().popups->cards().size(), 1);
    // Arrow keys move the current cell: the same as a click.
    view.ShowBalloon(0x50, "Ожидание ответа...", "", kWaitingColour);
    QTest::keyClick(w().lineMap, Qt::Key_Left);
    EXPECT_EQ(w().popups->balloon(), nullptr);
    EXPECT_EQ(session().map().SelectedIndex(), 0x5F);  // 0x60 ends row 0
}

TEST_F(MainViewTest, SetsChangedElsewhereReachMapAndCounters) {
    std::thread other([&] {
        session().map().AddIndex(0x50, MapSet::Present);
        session().UpdateCounter(MapSet::Present);
    });
    other.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w().PanelText(1) == "1"; }, 2000));
    QApplication::processEvents();
    const QImage image = w().lineMap->grab().toImage();
    EXPECT_EQ(image.pixelColor(LineMapWidget::CellRect(0x50).topLeft() + QPoint(2, 2)), QColor(48, 210, 30));
}

TEST_F(MainViewTest, CommandControlsSwitchedFromAWorkerThread) {
    QApplication::setActiveWindow(&w());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    w().lineMap->setFocus();
    std::thread worker([&] { session().EnableCommandControls(false); });
    // The worker waits until the window has switched them.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w().lineMap->isEnabled(); }, 2000));
    worker.join();
    EXPECT_FALSE(w().converterButton->isEnabled());
    EXPECT_FALSE(w().closeButton->isEnabled());
    EXPECT_FALSE(w().searchButton->isEnabled());
    EXPECT_TRUE(w().stopButton->isEnabled());  // "Остановить" stays usable
    EXPECT_TRUE(w().openButton->isEnabled());
    EXPECT_TRUE(w().monitorButton->isEnabled());
    session().EnableCommandControls(true);
    EXPECT_TRUE(w().lineMap->isEnabled());
    EXPECT_TRUE(w().lineMap->hasFocus());  // the function keys work again at once
}

TEST_F(MainViewTest, MonitorButtonsDoNothingWithoutTheWindow) {
    w().pauseButton->click();
    EXPECT_FALSE(session().monitor().Paused());
    EXPECT_TRUE(w().pauseButton->isEnabled());
    EXPECT_FALSE(w().resumeButton->isEnabled());
    w().clearButton->click();
    w().saveButton->click();  // no save dialog either
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainViewTest, MonitorShowsLinesPausesAndStartsEmptyWhenReopened) {
    session().MonitorAdd("   lost: no window yet");
    w().monitorButton->click();
    MonitorWindow* monitor = view.monitorWindow();
    ASSERT_NE(monitor, nullptr);
    EXPECT_EQ(monitor->windowTitle(), "ТУЛЕКС Монитор");
    EXPECT_EQ(monitor->frameGeometry().left(), w().frameGeometry().left());
    EXPECT_GT(monitor->frameGeometry().top(), w().frameGeometry().bottom());

    OpenPty();
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor->view()->shownCount() == 1; }, 2000));
    const std::string opened = session().monitor().Line(0);
    EXPECT_NE(opened.find(pty.slavePath()), std::string::npos);

    w().pauseButton->click();
    EXPECT_TRUE(session().monitor().Paused());
    EXPECT_EQ(monitor->windowTitle(), "ТУЛЕКС Монитор (ПАУЗА)");
    EXPECT_FALSE(w().pauseButton->isEnabled());
    EXPECT_TRUE(w().resumeButton->isEnabled());
    session().MonitorAdd("   dropped while paused");
    w().resumeButton->click();
    EXPECT_EQ(monitor->windowTitle(), "ТУЛЕКС Монитор");
    EXPECT_EQ(session().monitor().Count(), 3u);  // opened, "Пауза", "Старт"

    w().clearButton->click();
    EXPECT_EQ(session().monitor().Count(), 0u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor->view()->shownCount() == 0; }, 2000));

    session().MonitorAdd("   one");
    monitor->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.monitorWindow() == nullptr; }, 2000));
    session().MonitorAdd("   lost: window closed");
    w().monitorButton->click();
    ASSERT_NE(view.monitorWindow(), nullptr);
    EXPECT_EQ(session().monitor().Count(), 0u);

    // monitorButton on a minimized monitor brings it back without clearing it.
    session().MonitorAdd("   kept");
    view.monitorWindow()->setWindowState(Qt::WindowMinimized);
    w().monitorButton->click();
    EXPECT_FALSE(view.monitorWindow()->isMinimized());
    EXPECT_EQ(session().monitor().Count(), 1u);
}

TEST_F(MainViewTest, AboutBoxAndConverterButtonWithThePortClosed) {
    {
        MessageBoxCatcher catcher;
        w().aboutAction->trigger();
        EXPECT_EQ(catcher.caption, "О программе ТУЛЕКС");
        EXPECT_TRUE(catcher.text.startsWith("ТУЛЕКС 1.8\n\n"));
        EXPECT_EQ(catcher.icon, QMessageBox::Information);
    }
    {
        MessageBoxCatcher catcher;
        w().converterButton->click();
        EXPECT_EQ(catcher.caption, "Предупреждение");
        EXPECT_EQ(catcher.text, "Начните работу с выбора COM-порта.");
        EXPECT_EQ(catcher.icon, QMessageBox::Warning);
        EXPECT_FALSE(w().converterMenu->isVisible());
    }
}

TEST_F(MainViewTest, SettingsItemsReachTheLogic) {
    EXPECT_TRUE(session().settings().readers);
    EXPECT_FALSE(session().settings().sensors);
    EXPECT_FALSE(session().settings().onlineAnswer);
    EXPECT_TRUE(session().settings().sensorAnswer);
    w().sensorsAction->trigger();
    w().sensorAnswerAction->trigger();
    EXPECT_TRUE(session().settings().sensors);
    EXPECT_FALSE(session().settings().sensorAnswer);
}

// The save dialog answered by the test: what it was offered, and the file
// and format it picks.
struct SaveAnswer {
    QString path;
    int format = 0;
    QString caption, folder, name;
    QStringList filters;
    int asked = 0;
};

void AnswerSaves(MainView& view, SaveAnswer& answer) {
    view.setSaveDialog([&answer](const QString& caption, const QString& folder, const QString& name,
                                 const QStringList& filters) -> std::optional<MainView::SaveChoice> {
        ++answer.asked;
        answer.caption = caption;
        answer.folder = folder;
        answer.name = name;
        answer.filters = filters;
        if (answer.path.isEmpty()) return std::nullopt;
        return MainView::SaveChoice{answer.path, answer.format};
    });
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST_F(MainViewTest, SaveOffersBothEncodingsRemembersTheFolderAndSaysWhereItSaved) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    w().monitorButton->click();
    session().MonitorAdd("   first");
    session().MonitorAdd("   второй");
    SaveAnswer answer;
    AnswerSaves(view, answer);

    // Cancelled: nothing written, nothing said.
    w().saveButton->click();
    EXPECT_EQ(answer.asked, 1);
    EXPECT_EQ(answer.caption, "Сохранить как...");
    EXPECT_EQ(answer.filters, (QStringList{"Windows-1251 (*.txt)", "UTF-8 (*.txt)"}));
    EXPECT_FALSE(view.monitorWindow()->savedLabel()->isVisible());

    struct Case {
        const char* file;
        int format;
        QByteArray second;  // "второй" as saved
        const char* said;
    };
    const Case cases[] = {
        {"monitor.txt", 0, "   \xe2\xf2\xee\xf0\xee\xe9\r\n", "(Windows-1251)"},
        {"monitor-utf8.txt", 1, "   второй\r\n", "(UTF-8)"},
    };
    for (const Case& c : cases) {
        answer.path = folder + "/" + c.file;
        answer.format = c.format;
        w().saveButton->click();
        const QByteArray bytes = FileBytes(answer.path);
        EXPECT_EQ(bytes.count("\r\n"), 2) << c.file;
        EXPECT_TRUE(bytes.contains("   first\r\n")) << c.file;
        EXPECT_TRUE(bytes.contains(c.second)) << c.file;
        EXPECT_FALSE(bytes.startsWith("\xef\xbb\xbf")) << "no byte-order mark";
        EXPECT_TRUE(view.monitorWindow()->savedLabel()->isVisible());
        EXPECT_EQ(view.monitorWindow()->savedLabel()->text(), "Сохранено: " + answer.path + " " + c.said);
    }
    // The next dialog opens in the folder of the last save, with its name.
    answer.path.clear();
    w().saveButton->click();
    EXPECT_EQ(QDir(answer.folder).canonicalPath(), QDir(folder).canonicalPath());
    EXPECT_EQ(answer.name, "monitor-utf8.txt");
    // An existing file: the program's own question comes, and No keeps it.
    answer.path = folder + "/monitor.txt";
    session().MonitorAdd("   third");
    {
        MessageBoxCatcher replace(QMessageBox::No);
        w().saveButton->click();
        EXPECT_TRUE(replace.text.contains("уже существует")) << replace.text.toStdString();
    }
    EXPECT_EQ(FileBytes(answer.path).count("\r\n"), 2);
}

TEST_F(MainViewTest, MillisecondsAreShownAndSavedOnlyWhenTurnedOn) {
    test::TempDir dir;
    w().monitorButton->click();
    session().MonitorAdd("   line");
    SaveAnswer answer;
    AnswerSaves(view, answer);
    answer.path = QString::fromStdString((dir.path() / "plain.txt").string());
    w().saveButton->click();
    const QRegularExpression plain(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d   line\r\n$"));
    EXPECT_TRUE(plain.match(QString::fromLatin1(FileBytes(answer.path))).hasMatch()) << "off by default";

    view.monitorWindow()->millisecondsBox()->click();
    EXPECT_TRUE(session().monitor().Milliseconds());
    const QRegularExpression withMillis(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d   line$"));
    EXPECT_TRUE(withMillis.match(QString::fromStdString(session().monitor().Line(0))).hasMatch())
        << session().monitor().Line(0);
    answer.path = QString::fromStdString((dir.path() / "millis.txt").string());
    w().saveButton->click();
    EXPECT_TRUE(withMillis.match(QString::fromLatin1(FileBytes(answer.path)).trimmed()).hasMatch());
    // A new monitor window shows the setting as it is.
    view.monitorWindow()->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.monitorWindow() == nullptr; }, 2000));
    w().monitorButton->click();
    EXPECT_TRUE(view.monitorWindow()->millisecondsBox()->isChecked());
}

TEST_F(MainViewTest, StatisticsTableSortsAndTheMapCellShowsTheFigures) {
    LineStatistics& stats = session().statistics();
    for (int i = 0; i < 3; ++i) stats.RequestWritten(0x48);  // H: three requests
    stats.RequestWritten(0x47);                              // G: one, answered
    stats.FrameStarted();
    stats.ReplyHeard(HeardKind::Ack);
    stats.Heard(0xC6, HeardKind::Card);  // Ж: a card event

    w().statisticsAction->trigger();
    StatisticsWindow* window = view.statisticsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    QTableView* table = window->table();
    QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 3);
    const auto cell = [&](int row, StatisticsColumn column) {
        return model->index(row, StatisticsModel::ColumnOf(column)).data().toString();
    };
    EXPECT_EQ(cell(0, StatisticsColumn::Index), "G");  // by index at first
    EXPECT_EQ(cell(2, StatisticsColumn::Index), "Ж");
    EXPECT_EQ(cell(0, StatisticsColumn::Acks), "1");
    EXPECT_EQ(cell(0, StatisticsColumn::LastKind), "подтверждение");
    EXPECT_EQ(cell(1, StatisticsColumn::LastHeard), "—") << "H was never heard";

    table->sortByColumn(StatisticsModel::ColumnOf(StatisticsColumn::Requests), Qt::DescendingOrder);
    EXPECT_EQ(cell(0, StatisticsColumn::Index), "H");
    EXPECT_EQ(cell(0, StatisticsColumn::Requests), "3");
    EXPECT_EQ(cell(2, StatisticsColumn::Index), "Ж");
    // Figures that change come in on the window's refresh, in the same order.
    stats.RequestWritten(0xC6);
    for (int i = 0; i < 4; ++i) stats.RequestWritten(0x47);
    window->refresh();
    EXPECT_EQ(cell(0, StatisticsColumn::Index), "G");
    EXPECT_EQ(cell(0, StatisticsColumn::Requests), "5");
    // Its refresh runs only while it is on screen.
    EXPECT_TRUE(window->refreshing());
    window->hide();
    EXPECT_FALSE(window->refreshing());
    w().statisticsAction->trigger();
    EXPECT_TRUE(window->refreshing());

    const QString tip = w().lineMap->toolTipAt(LineMapWidget::CellRect(0x48).center());
    EXPECT_TRUE(tip.startsWith("En: Alt + 072")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("Запросов: 3, тайм-аутов: 0")) << tip.toStdString();
    EXPECT_EQ(w().lineMap->toolTipAt(LineMapWidget::CellRect(0x50).center()), "En: Alt + 080")
        << "nothing known: the typing hint alone";

    // CSV export through the save dialog; then the reset, on its own and
    // with the monitor's clear.
    test::TempDir dir;
    SaveAnswer answer;
    AnswerSaves(view, answer);
    answer.path = QString::fromStdString((dir.path() / "stats.csv").string());
    window->exportButton()->click();
    EXPECT_EQ(answer.filters, QStringList{"CSV (*.csv)"});
    const QByteArray csv = FileBytes(answer.path);
    EXPECT_TRUE(csv.startsWith("\xef\xbb\xbfindex;last_heard;")) << csv.toStdString();
    EXPECT_EQ(csv.count("\r\n"), 4);
    EXPECT_TRUE(window->savedLabel()->text().contains(answer.path));
    window->resetButton()->click();
    EXPECT_EQ(model->rowCount(), 0);
    stats.Heard(0x47, HeardKind::Card);
    w().monitorButton->click();
    w().clearButton->click();
    EXPECT_TRUE(stats.Snapshot().empty());
    EXPECT_EQ(model->rowCount(), 0);
}

TEST_F(MainViewTest, ALostPortIsOfferedAgainOnceItIsBackAndKeepsMonitorAndStatistics) {
    // The port opened by a link, as a by-id name or tulex-sim's SIMn is.
    test::TempDir dir;
    const std::string link = (dir.path() / "usb-adapter").string();
    std::filesystem::create_symlink(pty.slavePath(), link);
    w().monitorButton->click();
    view.OpenPort(QString::fromStdString(link), "19200");
    ASSERT_TRUE(session().IsPortOpen());
    session().statistics().Heard(0x47, HeardKind::Card);
    session().MonitorAdd("   before the loss");
    EXPECT_EQ(session().LostPortName(), link);
    {
        MessageBoxCatcher lost;
        // The converter is pulled out and its link goes with it (a by-id
        // link does); the dead terminal's number may be another test's pty
        // at once, which must not count as the port coming back.
        pty.HangUp();
        std::filesystem::remove(link);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !session().IsPortOpen(); }, 5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !lost.text.isEmpty(); }, 5000));
        EXPECT_TRUE(lost.text.contains("Связь с COM-портом потеряна")) << lost.text.toStdString();
    }
    EXPECT_TRUE(session().PortLost());
    QTest::qWait(2 * MainView::kReturnCheckMs);  // nothing is offered while it is away
    EXPECT_FALSE(session().IsPortOpen());

    test::Pty again;  // plugged back: another terminal behind the same name
    ASSERT_TRUE(again.ok());
    std::filesystem::create_symlink(again.slavePath(), link);
    {
        MessageBoxCatcher offer(QMessageBox::Yes);
        EXPECT_TRUE(QTest::qWaitFor([&] { return session().IsPortOpen(); }, 5000));
        EXPECT_EQ(offer.text.toStdString(), "Порт " + link + " снова доступен.\n\nОткрыть его?");
    }
    EXPECT_FALSE(session().PortLost());
    EXPECT_EQ(session().PortName(), link);
    EXPECT_EQ(w().portBox->currentText().toStdString(), link);
    const TrafficLog& monitor = session().monitor();
    ASSERT_GE(monitor.Count(), 4u);
    EXPECT_NE(monitor.Line(1).find("before the loss"), std::string::npos) << "the monitor was kept";
    EXPECT_NE(Cp1251ToUtf8(monitor.Line(monitor.Count() - 1)).find("   ---   Порт восстановлен"), std::string::npos);
    EXPECT_NE(Cp1251ToUtf8(monitor.Line(monitor.Count() - 2)).find("Скорость, бит/с — 19200"), std::string::npos);
    EXPECT_EQ(session().statistics().Of(0x47).Received(HeardKind::Card), 1u) << "the statistics were kept";
    // The line works again.
    again.Send("H;123456789000?");
    EXPECT_TRUE(QTest::qWaitFor([&] { return session().statistics().Of(0x48).Received(HeardKind::Card) == 1; }, 5000));
}

TEST_F(MainViewTest, DecliningTheOfferLeavesThePortClosed) {
    test::TempDir dir;
    const std::string link = (dir.path() / "adapter").string();
    std::filesystem::create_symlink(pty.slavePath(), link);
    view.OpenPort(QString::fromStdString(link), "9600");
    ASSERT_TRUE(session().IsPortOpen());
    {
        MessageBoxCatcher lost;
        pty.HangUp();
        std::filesystem::remove(link);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !lost.text.isEmpty(); }, 5000));
    }
    test::Pty again;
    std::filesystem::create_symlink(again.slavePath(), link);
    {
        MessageBoxCatcher offer(QMessageBox::No);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !offer.text.isEmpty(); }, 5000));
    }
    QTest::qWait(2 * MainView::kReturnCheckMs);
    EXPECT_FALSE(session().IsPortOpen());
    EXPECT_TRUE(w().openButton->isEnabled());
}

TEST_F(MainViewTest, AMonitorReopenedDuringAPauseSaysSo) {
    w().monitorButton->click();
    w().pauseButton->click();
    view.monitorWindow()->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.monitorWindow() == nullptr; }, 2000));
    EXPECT_TRUE(session().monitor().Paused());  // the pause outlives the window
    w().monitorButton->click();
    EXPECT_EQ(view.monitorWindow()->windowTitle(), "ТУЛЕКС Монитор (ПАУЗА)");
    EXPECT_TRUE(w().resumeButton->isEnabled());
}

TEST_F(MainViewTest, ClosingWithThePortOpenEndsCleanly) {
    OpenPty();
    w().monitorButton->click();
    view.ShowBalloon(0x50, "Ожидание ответа...", "", kWaitingColour);
    view.ShowCardPopup(0x52, "Доступ запрещен", "");
    w().close();
    EXPECT_FALSE(session().IsPortOpen());
    EXPECT_EQ(w().popups->balloon(), nullptr);
    EXPECT_TRUE(w().popups->cards().empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.monitorWindow() == nullptr; }, 2000));
}

}  // namespace
}  // namespace tulex

namespace tulex {
namespace {

// A worker that keeps asking the window for things (as a running test
// command does) is inside a Send when the window closes; the shutdown must
// release it and wait for its end instead of hanging or leaving it behind.
TEST(MainViewShutdown, ReleasesAWorkerBlockedInSend) {
    auto view = std::make_unique<MainView>(QStringList{"tulex"});
    view->window().show();
    LineSession& session = view->session();
    std::atomic<bool> finished{false};
    std::atomic<int> sends{0};
    session.transaction().busy = 1;
    ASSERT_TRUE(session.StartWorker([&] {
        while (session.transaction().busy) {
            session.RunOnUi([&] { ++sends; });
        }
        finished = true;
    }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sends.load() > 5; }, 5000));
    view->window().close();  // Shutdown: the busy flag goes
    view.reset();            // no events run here: the worker is released, not served
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace tulex
