// The window logic on the real widgets: the port buttons, the map's click,
// double click and shortcuts, the monitor buttons, calls from other threads,
// and a shutdown with the port open.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <memory>
#include <thread>

#include "app/LineSession.h"
#include "gui/LineMapWidget.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "gui/MonitorView.h"
#include "gui/MonitorWindow.h"
#include "gui/PopupHost.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace tulex {
namespace {

// Answers the next modal message box (with its default button, or the one
// given) and remembers its caption and text.
class MessageBoxCatcher {
public:
    explicit MessageBoxCatcher(QMessageBox::StandardButton answer = QMessageBox::NoButton) : answer_(answer) {
        QTimer::singleShot(0, [this] { Poll(); });
    }
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    void Poll() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            if (QAbstractButton* button = box->button(answer_))
                button->click();
            else
                box->accept();
            return;
        }
        if (++polls_ < 200) QTimer::singleShot(10, [this] { Poll(); });
    }
    QMessageBox::StandardButton answer_;
    int polls_ = 0;
};

// Answers the next input dialog with a text (and remembers what it offered).
class InputCatcher {
public:
    explicit InputCatcher(QString answer) : answer_(std::move(answer)) {
        QTimer::singleShot(0, [this] { Poll(); });
    }
    QString caption, prompt, initial;

private:
    void Poll() {
        if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            caption = dialog->windowTitle();
            prompt = dialog->labelText();
            initial = dialog->textValue();
            dialog->setTextValue(answer_);
            dialog->accept();
            return;
        }
        if (++polls_ < 200) QTimer::singleShot(10, [this] { Poll(); });
    }
    QString answer_;
    int polls_ = 0;
};

class MainViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        w().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    }
    MainWindow& w() { return view.window(); }
    LineSession& session() { return view.session(); }
    void OpenPty() {
        ASSERT_TRUE(pty.ok());
        view.OpenPort(QString::fromStdString(pty.slavePath()), "9600");
        ASSERT_TRUE(session().IsPortOpen());
    }

    test::Pty pty;
    MainView view{QStringList{"tulex"}};
};

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

TEST_F(MainViewTest, SaveAsksForThePathAndRemembersIt) {
    test::TempDir dir;
    const QString path = QString::fromStdString((dir.path() / "monitor.txt").string());
    w().monitorButton->click();
    session().MonitorAdd("   first");
    session().MonitorAdd("   второй");
    {
        InputCatcher input(path);
        w().saveButton->click();
        EXPECT_EQ(input.caption, "Сохранить как...");
        EXPECT_EQ(input.prompt, "Путь к файлу:");
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 2);
    EXPECT_TRUE(bytes.contains("   first\r\n"));
    EXPECT_TRUE(bytes.contains("   \xe2\xf2\xee\xf0\xee\xe9\r\n"));  // "второй" in Windows-1251
    {
        MessageBoxCatcher replace;  // the file exists now: the question comes first
        InputCatcher input(path);
        w().saveButton->click();
        EXPECT_EQ(input.initial, path);  // the last confirmed path is offered
    }
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
