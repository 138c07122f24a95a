// The pop-ups over the map: card pop-ups that close themselves, the
// controller balloon with its text updated in place, the sensor pop-up, and
// all of them following the main window, hiding while it is minimized.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

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
    const auto labels = host().sensor()->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[1]->textFormat(), Qt::PlainText);
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

}  // namespace
}  // namespace tulex
