// The main window's controls: where they are, what they say, in which order
// Tab visits them, and the menus whose items the map's shortcuts address by
// position.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "gui/LineMapWidget.h"
#include "gui/MainWindow.h"

namespace tulex {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindow w{QStringLiteral("ТУЛЕКС 1.8")};
};

TEST_F(MainWindowTest, FixedClientAreaWithMinimizeButNoMaximize) {
    w.show();
    EXPECT_EQ(w.client->size(), QSize(692, 324));
    EXPECT_EQ(w.client->geometry().top(), w.menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(w.minimumSize(), w.maximumSize());  // single border: no resizing
    const Qt::WindowFlags flags = w.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.windowIcon().isNull());
}

TEST_F(MainWindowTest, WindowIconIsTheDesktopIconInEverySize) {
    // Rendered from the menu entry's SVG at build time and compiled in: the
    // 16 x 16 window icon is the line map in miniature, pixel for pixel, and
    // the larger sizes are there for task bars and switchers.
    const QIcon icon = w.windowIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (const QSize size : {QSize(16, 16), QSize(32, 32), QSize(256, 256)})
        EXPECT_TRUE(sizes.contains(size)) << size.width();
    const QImage small = icon.pixmap(QSize(16, 16)).toImage();
    ASSERT_EQ(small.size(), QSize(16, 16));
    EXPECT_EQ(small.pixelColor(8, 8), QColor(48, 210, 30));   // the controller heard on the line
    EXPECT_EQ(small.pixelColor(13, 3), QColor(255, 102, 0));  // the index being probed
    EXPECT_EQ(small.pixelColor(3, 8), QColor(255, 255, 255));
    EXPECT_EQ(small.pixelColor(5, 8), QColor(60, 60, 60));  // the gap between cells
}

TEST_F(MainWindowTest, ControlsStandAtTheirPositionsWithCaptionsAndHints) {
    struct Control {
        QWidget* widget;
        QWidget* parent;
        QRect geometry;
        QString caption;
        QString hint;
    };
    const Control controls[] = {
        {w.portGroup, w.client, {8, 8, 337, 65}, "Управление COM-портом", ""},
        {w.portBox, w.portGroup, {8, 26, 75, 21}, "", "Идентификатор COM-порта"},
        {w.speedBox, w.portGroup, {88, 26, 81, 21}, "9600", "Скорость COM-порта, бит/с"},
        {w.openButton, w.portGroup, {174, 25, 75, 23}, "Открыть", ""},
        {w.closeButton, w.portGroup, {254, 25, 75, 23}, "Закрыть", ""},
        {w.converterGroup, w.client, {352, 8, 333, 65}, "Управление преобразователем RS232/RS485", ""},
        {w.converterButton, w.converterGroup, {296, 25, 29, 23}, "", ""},
        {w.lineMap, w.client, {8, 80, 677, 183}, "", ""},
        {w.monitorButton, w.client, {8, 272, 75, 23}, "&Mонитор", ""},
        {w.pauseButton, w.client, {88, 272, 23, 23}, "", "Монитор: Пауза"},
        {w.resumeButton, w.client, {112, 272, 23, 23}, "", "Монитор: Старт"},
        {w.clearButton, w.client, {136, 272, 23, 23}, "", "Монитор: Очистить"},
        {w.saveButton, w.client, {160, 272, 23, 23}, "", "Монитор: Сохранить в файл"},
        {w.searchButton, w.client, {456, 272, 147, 23}, "Поиск контроллеров", ""},
        {w.stopButton, w.client, {610, 272, 75, 23}, "Остановить", ""},
        {w.statusBar, w.client, {0, 301, 692, 23}, "", ""},
    };
    w.show();
    for (const auto& c : controls) {
        const std::string name = c.widget->objectName().toStdString();
        EXPECT_EQ(c.widget->parentWidget(), c.parent) << name;
        EXPECT_EQ(c.widget->geometry(), c.geometry) << name;
        EXPECT_EQ(c.widget->toolTip(), c.hint) << name;
        QString caption;
        if (auto* box = qobject_cast<QGroupBox*>(c.widget)) caption = box->title();
        if (auto* button = qobject_cast<QPushButton*>(c.widget)) caption = button->text();
        if (auto* combo = qobject_cast<QComboBox*>(c.widget)) caption = combo->currentText();
        EXPECT_EQ(caption, c.caption) << name;
    }
    // The monitor button's accelerator is the Latin M: Alt+M.
    EXPECT_EQ(w.monitorButton->shortcut(), QKeySequence(Qt::ALT | Qt::Key_M));
    EXPECT_EQ(w.speedBox->count(), 5);
    EXPECT_EQ(w.speedBox->itemText(4), "115200");
    EXPECT_TRUE(w.portBox->isEditable());
    EXPECT_TRUE(w.speedBox->isEditable());
    EXPECT_FALSE(w.resumeButton->isEnabled());  // start is off until a pause
    EXPECT_TRUE(w.pauseButton->isEnabled());
    for (QToolButton* b : {w.pauseButton, w.resumeButton, w.clearButton, w.saveButton, w.converterButton}) {
        EXPECT_TRUE(b->autoRaise());
        EXPECT_EQ(b->iconSize(), QSize(20, 20));
        EXPECT_FALSE(b->icon().isNull());
    }
}

TEST_F(MainWindowTest, StatusBarPanels) {
    ASSERT_EQ(w.panels.size(), 3);
    EXPECT_EQ(w.PanelText(0), "  Контроллеров в линии:");
    EXPECT_EQ(w.PanelText(1), "0");
    EXPECT_EQ(w.PanelText(2), "0");
    EXPECT_EQ(w.panels[0]->width(), 135);
    EXPECT_EQ(w.panels[1]->width(), 50);
    EXPECT_EQ(w.panels[2]->width(), 50);
    EXPECT_FALSE(w.statusBar->isSizeGripEnabled());
    w.SetPanelText(1, "12");
    EXPECT_EQ(w.PanelText(1), "12");
    EXPECT_EQ(w.PanelText(0), "  Контроллеров в линии:");
}

TEST_F(MainWindowTest, TabVisitsEveryControlFromThePortGroupToTheMonitorButtons) {
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.portBox->setFocus();
    QApplication::processEvents();
    auto owner = [&](QWidget* focus) -> QWidget* {
        for (QWidget* c : std::initializer_list<QWidget*>{
                 w.portBox, w.speedBox, w.openButton, w.closeButton, w.converterButton, w.searchButton, w.stopButton,
                 w.lineMap, w.monitorButton, w.pauseButton, w.resumeButton, w.clearButton, w.saveButton}) {
            if (focus == c || c->isAncestorOf(focus)) return c;
        }
        return focus;
    };
    // "Старт" is disabled while the monitor runs, so Tab passes it by.
    ASSERT_FALSE(w.resumeButton->isEnabled());
    const QWidget* expected[] = {w.speedBox,     w.openButton,  w.closeButton, w.converterButton,
                                 w.searchButton, w.stopButton,  w.lineMap,     w.monitorButton,
                                 w.pauseButton,  w.clearButton, w.saveButton,  w.portBox};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(owner(QApplication::focusWidget()), next) << next->objectName().toStdString();
    }
    // A click on a speed button leaves the focus where it was.
    EXPECT_EQ(w.pauseButton->focusPolicy(), Qt::TabFocus);
}

// The event list docked under the map makes the window taller: a window
// centred without it is moved up so that it still ends on the screen.
TEST_F(MainWindowTest, TheEventListKeepsTheWindowOnTheScreen) {
    w.CentreOnScreen();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QRect available = w.screen()->availableGeometry();
    w.move(w.x(), available.bottom() - w.frameGeometry().height());
    const int before = w.frameGeometry().height();
    w.eventsAction->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.frameGeometry().height() > before; }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.frameGeometry().bottom() <= available.bottom(); }, 2000))
        << w.frameGeometry().bottom() << " > " << available.bottom();
    EXPECT_GE(w.frameGeometry().top(), available.top());
}

TEST_F(MainWindowTest, SettingsMenuAndHelp) {
    const QList<QAction*> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(top[0]->text(), "&Настройки");
    EXPECT_EQ(top[1], w.planAction);
    EXPECT_EQ(top[1]->text(), "&План");
    EXPECT_EQ(top[1]->menu(), nullptr) << "an item that opens the plan window, not a menu";
    EXPECT_EQ(top[2], w.statisticsAction);
    EXPECT_EQ(top[2]->text(), "С&татистика");
    EXPECT_EQ(top[2]->menu(), nullptr) << "an item that opens the statistics table";
    EXPECT_EQ(top[3], w.eventsAction);
    EXPECT_EQ(top[3]->text(), "С&обытия");
    EXPECT_EQ(top[4]->text(), "&Справка");
    // Alt and a letter reaches each item of the bar: no two share a letter.
    QSet<QChar> mnemonics;
    for (const QAction* a : top) {
        const qsizetype amp = a->text().indexOf('&');
        ASSERT_GE(amp, 0) << a->text().toStdString();
        mnemonics.insert(a->text().at(amp + 1).toLower());
    }
    EXPECT_EQ(mnemonics.size(), top.size());
    const QList<QAction*> settings = top[0]->menu()->actions();
    ASSERT_EQ(settings.size(), 4);
    const QString captions[] = {"&Информация от считывателей", "И&нформация от датчиков", "&Автоответ в on-line режиме",
                                "А&втоответ на посылки датчиков"};
    const bool checked[] = {true, false, false, true};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(settings[i]->text(), captions[i]);
        EXPECT_TRUE(settings[i]->isCheckable());
        EXPECT_EQ(settings[i]->isChecked(), checked[i]) << i;
    }
    settings[1]->trigger();  // each item toggles its own check mark
    EXPECT_TRUE(settings[1]->isChecked());
    EXPECT_TRUE(settings[0]->isChecked());
    ASSERT_EQ(top[4]->menu()->actions().size(), 1);
    EXPECT_EQ(top[4]->menu()->actions()[0]->text(), "&О программе");
    EXPECT_EQ(MainWindow::AboutText().left(12), "ТУЛЕКС 1.8\n\n");
    EXPECT_GT(MainWindow::AboutText().size(), 12);
}

// A menu as text: items by caption, separators as "-", submenus in braces.
QString Describe(const QMenu* menu) {
    QStringList parts;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator())
            parts << "-";
        else if (a->menu())
            parts << a->text() + "{" + Describe(a->menu()) + "}";
        else
            parts << a->text();
    }
    return parts.join('|');
}

TEST_F(MainWindowTest, PopupMenusHoldEveryItemInOrder) {
    EXPECT_EQ(Describe(w.controllerMenu),
              "Проверить наличие контроллера|Читать параметры контроллера|Изменить индекс контроллера|-|"
              "Задать параметры по стандарту{Дверь без датчика положения|Дверь с датчиком положения|"
              "Турникет без подтверждения прохода|Турникет с подтверждением прохода|Регистрационный терминал}|"
              "Задать режим работы контроллера{Off-line режим |On-line режим |Автономный режим|-|"
              "Задать мастер-карту|Читать мастер-карту}|"
              "Задать время удержания реле{Реле 1|Реле 2|Реле 3|Реле 4}|-|"
              "Тест EEPROM-памяти контроллера|Тест линии на замыкание и обрыв|"
              "Тест реле на срабатывание{Реле 1|Реле 2|Реле 3|Реле 4}|-|Выполнить команду");
    EXPECT_EQ(Describe(w.converterMenu), "Читать параметры|-|Изменить диапазон опроса|-|Выполнить команду");
}

TEST_F(MainWindowTest, EscapeClicksSearchWhileEnabledElseStop) {
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QSignalSpy search(w.searchButton, &QPushButton::clicked);
    QSignalSpy stop(w.stopButton, &QPushButton::clicked);
    w.lineMap->setFocus();
    QTest::keyClick(w.lineMap, Qt::Key_Escape);
    EXPECT_EQ(search.count(), 1);
    EXPECT_EQ(stop.count(), 0);
    w.searchButton->setEnabled(false);  // a command runs
    QTest::keyClick(w.monitorButton, Qt::Key_Escape);
    EXPECT_EQ(search.count(), 1);
    EXPECT_EQ(stop.count(), 1);
}

TEST_F(MainWindowTest, CellAnchorsInScreenCoordinates) {
    w.show();
    const QPoint origin = w.client->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(w.IndexScreenPoint(0x47), origin + QPoint(29, 101));
    // Column 25, row 6: the last cell.
    EXPECT_EQ(w.IndexScreenPoint(0xFC), origin + QPoint(26 * 25 + 29, 26 * 6 + 101));
    // 0xC6 "Ж": k = 127, row 4, column 23.
    EXPECT_EQ(w.IndexScreenPoint(0xC6), origin + QPoint(26 * 23 + 29, 26 * 4 + 101));
}

}  // namespace
}  // namespace tulex
