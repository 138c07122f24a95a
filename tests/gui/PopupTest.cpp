// The pop-ups over the map: card pop-ups that close themselves, the
// controller balloon with its text updated in place, the sensor pop-up, and
// all of them following the main window, hiding while it is minimized; and
// how they keep out of the way: clicks pass through them, dialogs and the
// balloon win over them, and only a few card pop-ups are on screen at once.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include "gui/MainWindow.h"
#include "gui/PopupHost.h"
#include "gui/PopupWindow.h"

namespace tulex {
namespace {

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        w.move(50, 60);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    PopupHost& host() { return *w.popups; }
    MainWindow w{QStringLiteral("ТУЛЕКС 1.8")};
};

TEST_F(PopupTest, CardPopupsCloseEachAfterItsOwnLifetime) {
    // Margins wide enough for a loaded machine: the first card must still be
    // there when the others come, and go well before them.
    host().setCardLifetime(1000);
    host().showCard(0x47, "Доступ запрещен", "Пропуск отсутствует в памяти\n\nНаправление: Выход");
    QTest::qWait(300);
    host().showCard(0x48, "Доступ разрешен", "x");
    host().showCard(0xC6, "Доступ разрешен (автоответ)", "y");
    ASSERT_EQ(host().cards().size(), 3);
    for (PopupWindow* card : host().cards()) {
        EXPECT_TRUE(card->isVisible());
        EXPECT_FALSE(card->hasCornerMark());
        EXPECT_EQ(card->pos(), w.IndexScreenPoint(card->index()));
    }
    // The first goes at 1000 ms, the two later ones 300 ms after it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return host().cards().size() == 2; }, 2000));
    EXPECT_EQ(host().cards()[0]->index(), 0x48);
    EXPECT_TRUE(QTest::qWaitFor([&] { return host().cards().empty(); }, 2000));
}

TEST_F(PopupTest, CardPopupLivesFourSeconds) {
    EXPECT_EQ(PopupHost::kCardLifetimeMs, 4000);
    QElapsedTimer clock;
    clock.start();
    host().showCard(0x47, "Доступ запрещен", "");
    ASSERT_EQ(host().cards().size(), 1);
    qint64 goneAfter = -1;
    QObject::connect(host().cards()[0], &QObject::destroyed, [&] { goneAfter = clock.elapsed(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return goneAfter >= 0; }, 8000));
    EXPECT_GE(goneAfter, 4000);  // never early
    EXPECT_TRUE(host().cards().empty());
}

TEST_F(PopupTest, BalloonShowsTitleTextColourAndUpdatesInPlace) {
    host().showBalloon(0x50, "Ожидание ответа...", "", QColor(255, 255, 102));
    PopupWindow* balloon = host().balloon();
    ASSERT_NE(balloon, nullptr);
    EXPECT_TRUE(balloon->isVisible());
    EXPECT_TRUE(balloon->hasCornerMark());
    EXPECT_EQ(balloon->background(), QColor(255, 255, 102));
    EXPECT_EQ(balloon->pos(), w.IndexScreenPoint(0x50));
    EXPECT_FALSE(balloon->isActiveWindow());

    host().setBalloonText("Попыток: 3\nОшибок: 0");
    EXPECT_EQ(host().balloon(), balloon);  // same window
    EXPECT_EQ(balloon->text(), "Попыток: 3\nОшибок: 0");
    EXPECT_EQ(balloon->title(), "Ожидание ответа...");
    EXPECT_EQ(balloon->background(), QColor(255, 255, 102));

    // The corner mark is painted at the top-left corner.
    const QImage image = balloon->grab().toImage();
    EXPECT_NE(image.pixelColor(1, 4), QColor(255, 255, 102));
    EXPECT_EQ(image.pixelColor(6, 6), QColor(255, 255, 102));

    host().showBalloon(0x51, "Контроллер найден", "", QColor(204, 255, 153));
    EXPECT_EQ(host().balloon()->index(), 0x51);
    QApplication::processEvents();
    EXPECT_EQ(host().balloon()->title(), "Контроллер найден");

    host().removeBalloon();
    EXPECT_EQ(host().balloon(), nullptr);
    host().setBalloonText("nothing to update");  // no balloon: nothing happens
    EXPECT_EQ(host().balloon(), nullptr);
}

TEST_F(PopupTest, SensorPopupIsGreyWithTitleAndReplacedByTheNext) {
    host().showSensor(0x60, "0123");
    ASSERT_NE(host().sensor(), nullptr);
    EXPECT_EQ(host().sensor()->title(), "Датчик");
    EXPECT_EQ(host().sensor()->text(), "0123");
    EXPECT_EQ(host().sensor()->background(), QColor(204, 204, 204));
    EXPECT_TRUE(host().sensor()->hasCornerMark());
    host().showSensor(0x61, "<b>&amp;");
    EXPECT_EQ(host().sensor()->index(), 0x61);
    // Frame data is shown as it is, never as markup.
    for (const QLabel* label : host().sensor()->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
    EXPECT_EQ(host().sensor()->text(), "<b>&amp;");
    host().removeSensor();
    EXPECT_EQ(host().sensor(), nullptr);
}

TEST_F(PopupTest, MinimizeHidesEveryPopupAndRestoreBringsThemBack) {
    host().showCard(0x47, "Доступ запрещен", "");
    host().showBalloon(0x50, "Ожидание ответа...", "", QColor(255, 255, 102));
    host().showSensor(0x60, "1");
    w.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(host().hidden());
    EXPECT_FALSE(host().cards()[0]->isVisible());
    EXPECT_FALSE(host().balloon()->isVisible());
    EXPECT_FALSE(host().sensor()->isVisible());

    // A balloon that arrives while minimized is created hidden.
    host().showBalloon(0x52, "Ожидание ответа...", "", QColor(255, 255, 102));
    EXPECT_FALSE(host().balloon()->isVisible());

    w.setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(host().hidden());
    EXPECT_TRUE(host().cards()[0]->isVisible());
    EXPECT_TRUE(host().balloon()->isVisible());
    EXPECT_TRUE(host().sensor()->isVisible());
    EXPECT_EQ(host().balloon()->pos(), w.IndexScreenPoint(0x52));
}

TEST_F(PopupTest, PopupsFollowTheWindowEachToItsOwnCell) {
    host().showCard(0x47, "a", "");
    host().showCard(0x70, "b", "");
    host().showBalloon(0x50, "c", "", QColor(255, 255, 102));
    host().showSensor(0xFC, "d");
    w.move(w.pos() + QPoint(40, 30));
    EXPECT_TRUE(QTest::qWaitFor([&] { return host().balloon()->pos() == w.IndexScreenPoint(0x50); }, 2000));
    EXPECT_EQ(host().cards()[0]->pos(), w.IndexScreenPoint(0x47));
    EXPECT_EQ(host().cards()[1]->pos(), w.IndexScreenPoint(0x70));
    EXPECT_EQ(host().sensor()->pos(), w.IndexScreenPoint(0xFC));
}

TEST_F(PopupTest, MultiLineTextsGetTheirOwnLines) {
    host().showBalloon(0x50, "Параметры контроллера", "Строка 1\nСтрока 2\nСтрока 3", QColor(153, 204, 255));
    const int threeLines = host().balloon()->sizeHint().height();
    host().setBalloonText("Строка 1");
    EXPECT_LT(host().balloon()->height(), threeLines);
    EXPECT_GT(host().balloon()->width(), 40);
}

// A click where a card pop-up stands reaches the control under it: the
// monitor's "Пауза" and "Остановить" work however many cards pop up.
TEST_F(PopupTest, ClicksGoThroughCardPopupsToTheControlsUnderThem) {
    struct Case {
        const char* what;
        QAbstractButton* button;
        unsigned char index;  // a bottom-row cell whose card covers the button
    };
    const Case cases[] = {{"Пауза", w.pauseButton, 0xE3}, {"Остановить", w.stopButton, 0xF9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host().removeAllCards();
        host().showCard(c.index, "Доступ разрешен", "Пропуск отсутствует в памяти\n\nНаправление: Вход\nНомер: 1");
        PopupWindow* card = host().cards().constLast();
        const QPoint target = c.button->mapToGlobal(QPoint(c.button->width() / 2, c.button->height() - 4));
        ASSERT_TRUE(card->geometry().contains(target)) << "the card must cover the button for this case";
        // The window system is told to pass input by, and the pop-up never
        // takes the focus.
        EXPECT_TRUE(card->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
        EXPECT_TRUE(card->windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QSignalSpy clicked(c.button, &QAbstractButton::clicked);
        QTest::mouseClick(card, Qt::LeftButton, {}, card->mapFromGlobal(target));
        EXPECT_EQ(clicked.count(), 1);
        EXPECT_TRUE(card->isVisible());
        EXPECT_FALSE(card->isActiveWindow());
    }
}

// Dialogs and message boxes stay above every pop-up: one that would cover an
// open dialog waits hidden until it closes; those clear of it show.
TEST_F(PopupTest, PopupsNeverCoverAnOpenDialog) {
    QMessageBox box(QMessageBox::Warning, "Тест реле", "Вы уверены?", QMessageBox::Yes | QMessageBox::No, &w);
    box.setModal(true);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    // The box over the cell of 0x80; 0x60 (top right) is clear of it.
    box.move(w.IndexScreenPoint(0x80) - QPoint(20, 20));
    QApplication::processEvents();
    host().showCard(0x80, "Доступ запрещен", "covered");
    host().showCard(0x60, "Доступ разрешен", "clear");
    host().showBalloon(0x80, "Ожидание ответа...", "", QColor(255, 255, 102));
    ASSERT_EQ(host().cards().size(), 2);
    PopupWindow* covered = host().cards()[0];
    PopupWindow* clear = host().cards()[1];
    ASSERT_FALSE(box.frameGeometry().intersects(clear->geometry()));
    EXPECT_FALSE(covered->isVisible());
    EXPECT_FALSE(host().balloon()->isVisible());
    EXPECT_TRUE(clear->isVisible());
    // Pop-ups belong to the main window: the window system keeps them above it.
    EXPECT_EQ(clear->parentWidget(), &w);
    EXPECT_TRUE(clear->isWindow());

    // Moving the dialog away lets them show; moving it back hides them again.
    box.move(w.IndexScreenPoint(0x47) + QPoint(0, 300));
    EXPECT_TRUE(QTest::qWaitFor([&] { return covered->isVisible() && host().balloon()->isVisible(); }, 2000));
    box.move(w.IndexScreenPoint(0x80) - QPoint(20, 20));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !covered->isVisible(); }, 2000));

    box.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return covered->isVisible(); }, 2000));
    EXPECT_TRUE(host().balloon()->isVisible());
    EXPECT_TRUE(clear->isVisible());
}

// The balloon shows the command's result: a card pop-up at its cell stands
// aside, below it, also when the balloon grows; it comes back when the
// balloon goes.
TEST_F(PopupTest, CardPopupsStepAsideOfTheBalloon) {
    host().showBalloon(0x50, "Ожидание ответа...", "", QColor(255, 255, 102));
    host().showCard(0x50, "Доступ разрешен", "Пропуск отсутствует в памяти");
    PopupWindow* balloon = host().balloon();
    PopupWindow* card = host().cards().constLast();
    EXPECT_EQ(balloon->pos(), w.IndexScreenPoint(0x50));
    EXPECT_FALSE(card->geometry().intersects(balloon->geometry()));
    EXPECT_TRUE(card->isVisible());

    host().setBalloonText("Тест памяти завершен успешно.\nСтрока 2\nСтрока 3\nСтрока 4");
    EXPECT_EQ(balloon->pos(), w.IndexScreenPoint(0x50));
    EXPECT_FALSE(card->geometry().intersects(balloon->geometry()));

    // A balloon that comes after the card pushes it aside too.
    host().removeBalloon();
    EXPECT_EQ(card->pos(), w.IndexScreenPoint(0x50));
    host().showBalloon(0x50, "Информация", "Контроллер найден.", QColor(204, 255, 153));
    EXPECT_FALSE(card->geometry().intersects(host().balloon()->geometry()));
    EXPECT_EQ(host().balloon()->pos(), w.IndexScreenPoint(0x50));
}

// However many card events come, at most kMaxCards pop-ups exist (windows
// are reused, not made anew); the newest counts the events that have no
// pop-up of their own, and the count starts again once all have closed.
TEST_F(PopupTest, AtMostAFewCardPopupsAndTheNewestCountsTheRest) {
    host().setCardLifetime(500);
    QSet<PopupWindow*> windows;
    for (int n = 0; n < 8; ++n) {
        host().showCard(static_cast<unsigned char>(0x47 + n), "Доступ разрешен", QString::number(n));
        for (PopupWindow* card : host().cards()) windows.insert(card);
    }
    ASSERT_EQ(host().cards().size(), PopupHost::kMaxCards);
    EXPECT_EQ(windows.size(), PopupHost::kMaxCards);  // reused
    EXPECT_EQ(host().cards().constLast()->text(), "7");
    EXPECT_EQ(host().cards().constLast()->index(), 0x47 + 7);
    EXPECT_EQ(host().cards().constFirst()->text(), "3");
    EXPECT_EQ(host().cards().constLast()->note(), "+3 событий");
    for (int i = 0; i + 1 < host().cards().size(); ++i) EXPECT_EQ(host().cards()[i]->note(), "");

    // Events a delivery left without a pop-up are counted on the newest.
    host().countSkipped(1000);
    EXPECT_EQ(host().cards().constLast()->note(), "+1003 событий");

    // A flood stays at the bound.
    for (int n = 0; n < 2000; ++n) host().showCard(0x50, "Доступ запрещен", "");
    int popupWindows = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<PopupWindow*>(top)) ++popupWindows;
    EXPECT_EQ(popupWindows, PopupHost::kMaxCards);

    EXPECT_TRUE(QTest::qWaitFor([&] { return host().cards().empty(); }, 3000));
    EXPECT_EQ(host().skippedCount(), 0u);
    host().showCard(0x47, "Доступ разрешен", "");
    EXPECT_EQ(host().cards().constLast()->note(), "");
}

}  // namespace
}  // namespace tulex
