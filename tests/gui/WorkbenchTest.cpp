// The window as a technician's workbench: the event list (every card and
// sensor event, searchable, also with pop-ups off), the connection indicator
// and the greyed map after a lost line, the labelled counters, the
// controller menu on a right click with its function keys, every control on
// the Tab chain, and Qt's own buttons in Russian.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <chrono>
#include <set>

#include "app/EventFeed.h"
#include "app/LineSession.h"
#include "gui/EventListModel.h"
#include "gui/EventListPanel.h"
#include "gui/LineMapWidget.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "gui/PopupHost.h"
#include "gui/Translations.h"
#include "tests/gui/WindowFixture.h"

namespace tulex {
namespace {

using namespace std::chrono_literals;

using test::MessageBoxCatcher;

QString Cell(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

// --- the event list panel on a feed of its own

class EventListTest : public ::testing::Test {
protected:
    void SetUp() override { panel.setFeed(&feed); }
    void Add(std::uint8_t index, EventKind kind, const std::string& data) {
        feed.Add(1'700'000'000'250, index, kind, false, data);
    }
    EventListModel& model() { return *panel.model(); }

    EventFeed feed;
    EventListPanel panel;
};

TEST_F(EventListTest, RowsShowEveryColumnAndFollowTheFeed) {
    Add('G', EventKind::Card, "123456789003");
    Add(0xC6, EventKind::ChannelCard, "987654321007");
    Add('H', EventKind::Sensor, "3A");
    panel.refresh();
    ASSERT_EQ(model().rowCount(), 3);
    EXPECT_EQ(Cell(model(), 0, EventListModel::Time).right(4), ".250");
    EXPECT_EQ(Cell(model(), 0, EventListModel::Index), "G");
    EXPECT_EQ(Cell(model(), 0, EventListModel::Kind), "Карта");
    EXPECT_EQ(Cell(model(), 0, EventListModel::Title), "Доступ разрешен");
    EXPECT_EQ(Cell(model(), 0, EventListModel::Number), "1234567890");
    EXPECT_EQ(Cell(model(), 0, EventListModel::Direction), "Вход");
    EXPECT_EQ(Cell(model(), 1, EventListModel::Index), "Ж");
    EXPECT_EQ(Cell(model(), 1, EventListModel::Title), "Доступ разрешен (автоответ)");
    EXPECT_EQ(Cell(model(), 2, EventListModel::Kind), "Датчик");
    EXPECT_EQ(Cell(model(), 2, EventListModel::Data), "3A");
    EXPECT_EQ(model().headerData(EventListModel::Number, Qt::Horizontal).toString(), "Номер карты");
    EXPECT_EQ(panel.countLabel->text(), "Событий: 3");

    Add('I', EventKind::Card, "555555555500");
    panel.refresh();
    EXPECT_EQ(model().rowCount(), 4);
    EXPECT_EQ(Cell(model(), 3, EventListModel::Title), "Доступ запрещен");

    panel.clearButton->click();
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(feed.Count(), 0u);
    EXPECT_EQ(panel.countLabel->text(), "Событий: 0");
}

TEST_F(EventListTest, SearchNarrowsTheListAndTakesInNewMatches) {
    Add('G', EventKind::Card, "123456789003");
    Add(0xC6, EventKind::ChannelCard, "987654321000");
    Add('H', EventKind::Sensor, "3A");
    Add('G', EventKind::Card, "111111111102");
    panel.refresh();
    struct Case {
        const char* text;
        std::vector<QString> numbers;  // the rows found, by their card number or data
    };
    const Case cases[] = {
        {"разрешен", {"1234567890", "1111111111"}},
        {"РАЗРЕШЕН", {"1234567890", "1111111111"}},  // case ignored, Cyrillic too
        {"98765", {"9876543210"}},
        {"ж", {"9876543210"}},  // the index
        {"датчик", {"3A"}},
        {"выход", {"9876543210", "1111111111"}},
        {"нет такого", {}},
        {"", {"1234567890", "9876543210", "3A", "1111111111"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        panel.searchBox->setText(QString::fromUtf8(c.text));
        panel.applySearch();
        std::vector<QString> found;
        for (int row = 0; row < model().rowCount(); ++row) {
            const QString number = Cell(model(), row, EventListModel::Number);
            found.push_back(number.isEmpty() ? Cell(model(), row, EventListModel::Data) : number);
        }
        EXPECT_EQ(found, c.numbers);
    }
    // New events that match come in while the search stands; others do not.
    panel.searchBox->setText("разрешен");
    panel.applySearch();
    EXPECT_EQ(panel.countLabel->text(), "Найдено: 2 из 4");
    Add('J', EventKind::Card, "222222222202");
    Add('J', EventKind::Card, "333333333300");
    panel.refresh();
    ASSERT_EQ(model().rowCount(), 3);
    EXPECT_EQ(Cell(model(), 2, EventListModel::Number), "2222222222");
    EXPECT_EQ(panel.countLabel->text(), "Найдено: 3 из 6");
}

// --- the whole window on a pseudo-terminal

class WorkbenchTest : public test::WindowOnPty {
protected:
    int ListRows() { return w().eventList->model()->rowCount(); }
};

TEST_F(WorkbenchTest, CardAndSensorEventsReachTheListWithPopupsOnOrOff) {
    OpenPty();
    w().readersAction->setChecked(false);
    w().sensorsAction->setChecked(false);
    w().sensorAnswerAction->setChecked(false);
    pty.Send("G;123456789003?H3A?");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ListRows() == 2; }, 3000));
    EXPECT_TRUE(w().popups->cards().isEmpty());
    EXPECT_EQ(w().popups->sensor(), nullptr);

    w().readersAction->setChecked(true);
    pty.Send("I;987654321000?");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ListRows() == 3; }, 3000));
    ASSERT_EQ(w().popups->cards().size(), 1);
    EXPECT_EQ(w().popups->cards()[0]->title(), "Доступ запрещен");
    const QAbstractItemModel& model = *w().eventList->model();
    EXPECT_EQ(Cell(model, 0, EventListModel::Number), "1234567890");
    EXPECT_EQ(Cell(model, 1, EventListModel::Kind), "Датчик");
    EXPECT_EQ(Cell(model, 2, EventListModel::Index), "I");

    // "События" shows the panel under the map.
    EXPECT_FALSE(w().eventList->isVisible());
    w().eventsAction->trigger();
    EXPECT_TRUE(w().eventList->isVisible());
    EXPECT_GT(w().eventList->geometry().top(), w().lineMap->mapTo(&w(), QPoint(0, w().lineMap->height())).y());
}

// A burst of card events: the window shows at most a few pop-ups, the
// newest counts the rest, and the list has every event.
TEST_F(WorkbenchTest, CardBurstGivesAFewPopupsAndAFullList) {
    OpenPty();
    constexpr int kEvents = 300;
    std::string burst;
    for (int n = 0; n < kEvents; ++n) {
        const std::string number = std::to_string(1000000000 + n);
        burst += "G;" + number + "02?";
    }
    pty.Send(burst);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ListRows() == kEvents; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w().popups->cards().isEmpty(); }, 2000));
    QApplication::processEvents();
    const QList<PopupWindow*> cards = w().popups->cards();
    EXPECT_LE(cards.size(), PopupHost::kMaxCards);
    EXPECT_EQ(cards.size() + static_cast<qsizetype>(w().popups->skippedCount()), kEvents);
    EXPECT_EQ(cards.constLast()->note(), PopupHost::SkippedNote(w().popups->skippedCount()));
    EXPECT_NE(cards.constLast()->text().indexOf(QString::number(1000000000 + kEvents - 1)), -1);
}

TEST_F(WorkbenchTest, ConnectionIndicatorAndTheMapAfterALostLine) {
    EXPECT_EQ(w().connectionLabel->text(), "Порт закрыт");
    EXPECT_EQ(w().replyOnlyLabel->text(), "только ответ:");
    EXPECT_EQ(w().panels[1]->toolTip(), "в линии");
    EXPECT_EQ(w().panels[2]->toolTip(), "только ответ");

    OpenPty();
    const QString port = QString::fromStdString(pty.slavePath());
    EXPECT_EQ(w().connectionLabel->text(), port + ", 9600 бит/с: открыт");
    w().closeButton->click();
    EXPECT_EQ(w().connectionLabel->text(), port + ": закрыт");
    EXPECT_FALSE(w().lineMap->stale());

    OpenPty();
    pty.Send("H;123456789003?");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w().PanelText(1) == "1"; }, 3000));
    MessageBoxCatcher lost;
    pty.HangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session().IsPortOpen(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lost.text.isEmpty(); }, 5000));
    EXPECT_EQ(w().connectionLabel->text(), port + ": связь потеряна");
    // The last-known controller stays on the map, greyed.
    EXPECT_TRUE(w().lineMap->stale());
    EXPECT_EQ(w().PanelText(1), "1");
    QApplication::processEvents();
    const QImage image = w().lineMap->grab().toImage();
    EXPECT_EQ(image.pixelColor(LineMapWidget::CellRect('H').topLeft() + QPoint(2, 2)), LineMapWidget::kStalePresent);
}

TEST_F(WorkbenchTest, RightClickOnACellOpensTheControllerMenuThere) {
    // With the port closed it warns, as the double click does.
    MessageBoxCatcher warning;
    QTest::mouseClick(w().lineMap, Qt::RightButton, {}, LineMapWidget::CellRect(0x52).center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !warning.text.isEmpty(); }, 3000));
    EXPECT_EQ(warning.text, "Начните работу с выбора COM-порта.");
    EXPECT_EQ(session().map().SelectedIndex(), 0x52);

    OpenPty();
    QTest::mouseClick(w().lineMap, Qt::RightButton, {}, LineMapWidget::CellRect(0x61).center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w().controllerMenu->isVisible(); }, 2000));
    EXPECT_EQ(w().controllerMenu->pos(), w().IndexScreenPoint(0x61));
    EXPECT_EQ(session().map().SelectedIndex(), 0x61);
    w().controllerMenu->hide();
}

TEST_F(WorkbenchTest, TheMenuShowsTheFunctionKeys) {
    const std::pair<QAction*, const char*> items[] = {
        {w().checkPresenceAction, "F1"},     {w().readParametersAction, "F2"},
        {w().changeIndexAction, "F3"},       {w().presetDoorWithoutSensorAction, "F4, 1"},
        {w().readMasterCardAction, "F5, 5"}, {w().relayTime4Action, "F6, 4"},
        {w().memoryTestAction, "F7"},        {w().lineTestAction, "F8"},
        {w().relayTest2Action, "F9, 2"},     {w().rawCommandAction, "F10"},
    };
    for (const auto& [action, keys] : items) {
        EXPECT_EQ(action->shortcut().toString(QKeySequence::NativeText), keys) << action->objectName().toStdString();
        EXPECT_TRUE(action->isShortcutVisibleInContextMenu());
    }
    // The texts themselves stay as they are.
    EXPECT_EQ(w().checkPresenceAction->text(), "Проверить наличие контроллера");
}

TEST_F(WorkbenchTest, TabReachesEveryControl) {
    QApplication::setActiveWindow(&w());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    w().resumeButton->setEnabled(true);  // disabled until a pause
    const std::set<QWidget*> controls = {w().portBox,         w().speedBox,     w().openButton,   w().closeButton,
                                         w().converterButton, w().searchButton, w().stopButton,   w().lineMap,
                                         w().monitorButton,   w().pauseButton,  w().resumeButton, w().clearButton,
                                         w().saveButton};
    w().portBox->setFocus();
    std::set<QWidget*> reached;
    for (int i = 0; i < 40; ++i) {
        // An editable box passes its focus to its line edit: count the box.
        QWidget* focus = QApplication::focusWidget();
        for (QWidget* at = focus; at; at = at->parentWidget()) {
            if (controls.count(at)) {
                reached.insert(at);
                break;
            }
        }
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    for (QWidget* control : controls) EXPECT_TRUE(reached.count(control)) << control->objectName().toStdString();
}

TEST(TranslationTest, StandardButtonsReadRussian) {
    ASSERT_TRUE(InstallQtTranslations(*qApp)) << "qt6-translations-l10n is not installed";
    QMessageBox box(QMessageBox::Warning, "Тест", "Текст",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    const auto text = [&](QMessageBox::StandardButton button) { return box.button(button)->text().remove('&'); };
    EXPECT_EQ(text(QMessageBox::Yes), "Да");
    EXPECT_EQ(text(QMessageBox::No), "Нет");
    EXPECT_EQ(text(QMessageBox::Cancel), "Отмена");
    EXPECT_EQ(text(QMessageBox::Ok), "OK");
}

}  // namespace
}  // namespace tulex
