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

#include "app/TForm1.h"
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
  TForm1& form() { return view.form(); }
  void OpenPty() {
    ASSERT_TRUE(pty.ok());
    view.OpenPort(QString::fromStdString(pty.slavePath()), "9600");
    ASSERT_TRUE(form().IsPortOpen());
  }

  test::Pty pty;
  MainView view{QStringList{"tulex"}};
};

TEST_F(MainViewTest, OpenAndCloseSwitchThePortControls) {
  OpenPty();
  EXPECT_FALSE(w().Button1->isEnabled());
  EXPECT_FALSE(w().ComboBox1->isEnabled());
  EXPECT_FALSE(w().ComboBox2->isEnabled());
  EXPECT_TRUE(w().Button2->isEnabled());
  EXPECT_EQ(w().PanelText(1), "0");
  w().Button2->click();
  EXPECT_FALSE(form().IsPortOpen());
  EXPECT_TRUE(w().Button1->isEnabled());
  EXPECT_TRUE(w().ComboBox1->isEnabled());
}

TEST_F(MainViewTest, MapDoubleClickWarnsWhileThePortIsClosed) {
  MessageBoxCatcher catcher;
  QTest::mouseDClick(w().Map, Qt::LeftButton, {}, LineMapWidget::CellRect(0x50).center());
  EXPECT_EQ(catcher.caption, "Предупреждение");
  EXPECT_EQ(catcher.text, "Начните работу с выбора COM-порта.");
  EXPECT_FALSE(w().PopupMenu1->isVisible());
  EXPECT_EQ(form().map.SelectedIndex(), 0x50);
}

TEST_F(MainViewTest, MapDoubleClickOpensTheCommandMenuAtTheCell) {
  OpenPty();
  QTest::mouseDClick(w().Map, Qt::LeftButton, {}, LineMapWidget::CellRect(0x61).center());
  EXPECT_TRUE(QTest::qWaitFor([&] { return w().PopupMenu1->isVisible(); }, 2000));
  EXPECT_EQ(w().PopupMenu1->pos(), w().IndexScreenPoint(0x61));
  w().PopupMenu1->hide();
}

// F1 is the presence check, F5 held with 4 the master card past the
// separator: each reaches its command, and only while the port is open.
TEST_F(MainViewTest, ShortcutsWorkOnlyWithThePortOpen) {
  w().Map->setFocus();
  QTest::keyClick(w().Map, Qt::Key_F1);
  EXPECT_EQ(form().unit.busy, 0);

  OpenPty();
  QTest::keyClick(w().Map, Qt::Key_F1);
  EXPECT_EQ(form().unit.commandList, std::vector<std::string>{"$$02"});
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
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().unit.busy == 0 && w().Map->isEnabled(); }, 5000));

  MessageBoxCatcher no(QMessageBox::No);
  QTest::keyPress(w().Map, Qt::Key_F5);
  QTest::keyClick(w().Map, Qt::Key_4);
  QTest::keyRelease(w().Map, Qt::Key_F5);
  EXPECT_EQ(no.caption, "Задание мастер-карты");
  QTest::qWait(200);
  EXPECT_EQ(pty.Receive(std::chrono::milliseconds(10)), "") << "answered No: nothing sent";
}

TEST_F(MainViewTest, MapClickRemovesBalloonAndSensorButLeavesCards) {
  view.ShowBalloon(0x50, "Ожидание ответа...", "", kWaitingColour);
  view.ShowSensorPopup(0x51, "1");
  view.ShowCardPopup(0x52, "Доступ запрещен", "");
  QTest::mouseClick(w().Map, Qt::LeftButton, {}, LineMapWidget::CellRect(0x60).center());
  EXPECT_EQ(w().popups->balloon(), nullptr);
  EXPECT_EQ(w().popups->sensor(), nullptr);
  EXPECT_EQ(w().popups->cards().size(), 1);
  // Arrow keys move the current cell: the same as a click.
  view.ShowBalloon(0x50, "Ожидание ответа...", "", kWaitingColour);
  QTest::keyClick(w().Map, Qt::Key_Left);
  EXPECT_EQ(w().popups->balloon(), nullptr);
  EXPECT_EQ(form().map.SelectedIndex(), 0x5F);  // 0x60 ends row 0
}

TEST_F(MainViewTest, SetsChangedElsewhereReachMapAndCounters) {
  std::thread other([&] {
    form().map.AddIndex(0x50, MapSet::Present);
    form().UpdateCounter(MapSet::Present);
  });
  other.join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w().PanelText(1) == "1"; }, 2000));
  QApplication::processEvents();
  const QImage image = w().Map->grab().toImage();
  EXPECT_EQ(image.pixelColor(LineMapWidget::CellRect(0x50).topLeft() + QPoint(2, 2)), QColor(48, 210, 30));
}

TEST_F(MainViewTest, CommandControlsSwitchedFromAWorkerThread) {
  QApplication::setActiveWindow(&w());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
  w().Map->setFocus();
  std::thread worker([&] { form().EnableCommandControls(false); });
  // The worker waits until the window has switched them.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w().Map->isEnabled(); }, 2000));
  worker.join();
  EXPECT_FALSE(w().SpeedButton5->isEnabled());
  EXPECT_FALSE(w().Button2->isEnabled());
  EXPECT_FALSE(w().Button4->isEnabled());
  EXPECT_TRUE(w().Button5->isEnabled());  // "Остановить" stays usable
  EXPECT_TRUE(w().Button1->isEnabled());
  EXPECT_TRUE(w().Button6->isEnabled());
  form().EnableCommandControls(true);
  EXPECT_TRUE(w().Map->isEnabled());
  EXPECT_TRUE(w().Map->hasFocus());  // the function keys work again at once
}

TEST_F(MainViewTest, MonitorButtonsDoNothingWithoutTheWindow) {
  w().SpeedButton1->click();
  EXPECT_FALSE(form().monitor.Paused());
  EXPECT_TRUE(w().SpeedButton1->isEnabled());
  EXPECT_FALSE(w().SpeedButton2->isEnabled());
  w().SpeedButton3->click();
  w().SpeedButton4->click();  // no save dialog either
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainViewTest, MonitorShowsLinesPausesAndStartsEmptyWhenReopened) {
  form().MonitorAdd("   lost: no window yet");
  w().Button6->click();
  MonitorWindow* monitor = view.monitorWindow();
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(monitor->windowTitle(), "ТУЛЕКС Монитор");
  EXPECT_EQ(monitor->frameGeometry().left(), w().frameGeometry().left());
  EXPECT_GT(monitor->frameGeometry().top(), w().frameGeometry().bottom());

  OpenPty();
  EXPECT_TRUE(QTest::qWaitFor([&] { return monitor->view()->shownCount() == 1; }, 2000));
  const std::string opened = form().monitor.Line(0);
  EXPECT_NE(opened.find(pty.slavePath()), std::string::npos);

  w().SpeedButton1->click();
  EXPECT_TRUE(form().monitor.Paused());
  EXPECT_EQ(monitor->windowTitle(), "ТУЛЕКС Монитор (ПАУЗА)");
  EXPECT_FALSE(w().SpeedButton1->isEnabled());
  EXPECT_TRUE(w().SpeedButton2->isEnabled());
  form().MonitorAdd("   dropped while paused");
  w().SpeedButton2->click();
  EXPECT_EQ(monitor->windowTitle(), "ТУЛЕКС Монитор");
  EXPECT_EQ(form().monitor.Count(), 3u);  // opened, "Пауза", "Старт"

  w().SpeedButton3->click();
  EXPECT_EQ(form().monitor.Count(), 0u);
  EXPECT_TRUE(QTest::qWaitFor([&] { return monitor->view()->shownCount() == 0; }, 2000));

  form().MonitorAdd("   one");
  monitor->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return view.monitorWindow() == nullptr; }, 2000));
  form().MonitorAdd("   lost: window closed");
  w().Button6->click();
  ASSERT_NE(view.monitorWindow(), nullptr);
  EXPECT_EQ(form().monitor.Count(), 0u);

  // Button6 on a minimized monitor brings it back without clearing it.
  form().MonitorAdd("   kept");
  view.monitorWindow()->setWindowState(Qt::WindowMinimized);
  w().Button6->click();
  EXPECT_FALSE(view.monitorWindow()->isMinimized());
  EXPECT_EQ(form().monitor.Count(), 1u);
}

TEST_F(MainViewTest, AboutBoxAndConverterButtonWithThePortClosed) {
  {
    MessageBoxCatcher catcher;
    w().N4->trigger();
    EXPECT_EQ(catcher.caption, "О программе ТУЛЕКС");
    EXPECT_TRUE(catcher.text.startsWith("ТУЛЕКС 1.8\n\n"));
    EXPECT_EQ(catcher.icon, QMessageBox::Information);
  }
  {
    MessageBoxCatcher catcher;
    w().SpeedButton5->click();
    EXPECT_EQ(catcher.caption, "Предупреждение");
    EXPECT_EQ(catcher.text, "Начните работу с выбора COM-порта.");
    EXPECT_EQ(catcher.icon, QMessageBox::Warning);
    EXPECT_FALSE(w().PopupMenu2->isVisible());
  }
}

TEST_F(MainViewTest, SettingsItemsReachTheLogic) {
  EXPECT_TRUE(form().settings.readers);
  EXPECT_FALSE(form().settings.sensors);
  EXPECT_FALSE(form().settings.onlineAnswer);
  EXPECT_TRUE(form().settings.sensorAnswer);
  w().N17->trigger();
  w().N10->trigger();
  EXPECT_TRUE(form().settings.sensors);
  EXPECT_FALSE(form().settings.sensorAnswer);
}

TEST_F(MainViewTest, SaveAsksForThePathAndRemembersIt) {
  test::TempDir dir;
  const QString path = QString::fromStdString((dir.path() / "monitor.txt").string());
  w().Button6->click();
  form().MonitorAdd("   first");
  form().MonitorAdd("   второй");
  {
    InputCatcher input(path);
    w().SpeedButton4->click();
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
    w().SpeedButton4->click();
    EXPECT_EQ(input.initial, path);  // the last confirmed path is offered
  }
}

TEST_F(MainViewTest, AMonitorReopenedDuringAPauseSaysSo) {
  w().Button6->click();
  w().SpeedButton1->click();
  view.monitorWindow()->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return view.monitorWindow() == nullptr; }, 2000));
  EXPECT_TRUE(form().monitor.Paused());  // the pause outlives the window
  w().Button6->click();
  EXPECT_EQ(view.monitorWindow()->windowTitle(), "ТУЛЕКС Монитор (ПАУЗА)");
  EXPECT_TRUE(w().SpeedButton2->isEnabled());
}

TEST_F(MainViewTest, ClosingWithThePortOpenEndsCleanly) {
  OpenPty();
  w().Button6->click();
  view.ShowBalloon(0x50, "Ожидание ответа...", "", kWaitingColour);
  view.ShowCardPopup(0x52, "Доступ запрещен", "");
  w().close();
  EXPECT_FALSE(form().IsPortOpen());
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
  TForm1& form = view->form();
  std::atomic<bool> finished{false};
  std::atomic<int> sends{0};
  form.unit.busy = 1;
  ASSERT_TRUE(form.StartWorker([&] {
    while (form.unit.busy) {
      form.RunOnUi([&] { ++sends; });
    }
    finished = true;
  }));
  EXPECT_TRUE(QTest::qWaitFor([&] { return sends.load() > 5; }, 5000));
  view->window().close();  // FormClose: the busy flag goes
  view.reset();            // no events run here: the worker is released, not served
  EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace tulex
