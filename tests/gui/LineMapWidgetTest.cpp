// The line map grid: cell texts, tooltips, colours as painted, selection by
// mouse and keys, and the function-key shortcuts with held keys.

#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "app/MapShortcuts.h"
#include "gui/LineMapWidget.h"

namespace tulex {
namespace {

TEST(LineMap, GeometryShowsExactlyItsCells) {
    LineMapWidget map;
    EXPECT_EQ(map.size(), QSize(677, 183));
    EXPECT_EQ(LineMapWidget::CellRect(0x47), QRect(1, 1, 25, 25));
    EXPECT_EQ(LineMapWidget::CellRect(0x61), QRect(1, 27, 25, 25));  // row 1 starts with 0x61
    EXPECT_EQ(LineMapWidget::CellRect(0xFC), QRect(25 * 26 + 1, 6 * 26 + 1, 25, 25));
    EXPECT_TRUE(LineMapWidget::CellRect(0x46).isEmpty());
    EXPECT_TRUE(LineMapWidget::CellRect(0xFD).isEmpty());
    for (unsigned char index : {0x47, 0x60, 0x7A, 0x95, 0xC6, 0xFC}) {
        EXPECT_EQ(LineMapWidget::IndexAt(LineMapWidget::CellRect(index).center()), index);
    }
    EXPECT_EQ(LineMapWidget::IndexAt(QPoint(0, 0)), 0);
    EXPECT_EQ(LineMapWidget::IndexAt(QPoint(676, 182)), 0);
}

TEST(LineMap, EveryAnchorStandsInItsOwnCellNearTheLowerRightCorner) {
    // Pop-ups and the command menu stand at the anchor; it must point into
    // the cell it belongs to wherever the grid is placed.
    for (const QPoint grid : {QPoint(0, 0), QPoint(8, 80)}) {
        for (int i = kFirstIndex; i <= kLastIndex; ++i) {
            const auto index = static_cast<unsigned char>(i);
            const QPoint anchor = LineMapWidget::CellAnchor(index, grid.x(), grid.y()) - grid;
            const QRect cell = LineMapWidget::CellRect(index);
            ASSERT_TRUE(cell.contains(anchor)) << i;
            EXPECT_EQ(LineMapWidget::IndexAt(anchor), index) << i;
            EXPECT_EQ(cell.bottomRight() - anchor, QPoint(4, 4)) << i;
        }
    }
}

TEST(LineMap, CellsShowTheWindows1251Characters) {
    EXPECT_EQ(LineMapWidget::CellText(0x47), "G");
    EXPECT_EQ(LineMapWidget::CellText(0xC6), "Ж");
    EXPECT_EQ(LineMapWidget::CellText(0xFC), "ь");
    EXPECT_EQ(LineMapWidget::CellText(0xA8), "Ё");
}

TEST(LineMap, TooltipGivesTheAltCodeAndLayout) {
    struct Case {
        unsigned char index;
        const char* text;
    };
    const Case cases[] = {
        {0x47, "En: Alt + 071"}, {0x7F, "En: Alt + 0127"}, {0x80, "Ru: Alt + 0128"}, {0xFC, "Ru: Alt + 0252"}};
    LineMapWidget map;
    for (const auto& c : cases) {
        EXPECT_EQ(LineMapWidget::TooltipText(c.index), QString::fromUtf8(c.text));
        EXPECT_EQ(map.toolTipAt(LineMapWidget::CellRect(c.index).center()), QString::fromUtf8(c.text));
    }
    EXPECT_TRUE(map.toolTipAt(QPoint(0, 0)).isEmpty());
}

// Paints the map and samples one cell's background near its corner and the
// colour of its text (the darkest or lightest pixel that differs).
struct Sample {
    QColor background;
    bool hasWhiteText;
    bool hasDarkText;
};

Sample SampleCell(LineMapWidget& map, unsigned char index) {
    const QImage image = map.grab().toImage();
    const QRect cell = LineMapWidget::CellRect(index);
    Sample s{image.pixelColor(cell.topLeft() + QPoint(2, 2)), false, false};
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.lightness() > 240 && c != s.background) s.hasWhiteText = true;
            if (c.lightness() < 60) s.hasDarkText = true;
        }
    }
    return s;
}

TEST(LineMap, ColoursPaintedForEachCellState) {
    LineMapWidget map;
    map.resize(map.size());
    MapSets sets;
    sets.present.set(0x50);
    sets.replyOnly.set(0x51);
    // Painting order: green over grey over the orange selection.
    sets.replyOnly.set(0x52);
    sets.present.set(0x53);
    sets.replyOnly.set(0x53);
    map.setSetsProvider([&] { return sets; });
    map.selectIndex(0x52);

    const Sample ordinary = SampleCell(map, 0x60);
    EXPECT_EQ(ordinary.background, QColor(255, 255, 255));
    EXPECT_TRUE(ordinary.hasDarkText);

    const Sample selected = SampleCell(map, 0x47 + 1);  // not selected: white
    EXPECT_EQ(selected.background, QColor(255, 255, 255));

    const Sample present = SampleCell(map, 0x50);
    EXPECT_EQ(present.background, QColor(48, 210, 30));
    EXPECT_TRUE(present.hasWhiteText);
    EXPECT_FALSE(present.hasDarkText);

    const Sample replyOnly = SampleCell(map, 0x51);
    EXPECT_EQ(replyOnly.background, QColor(153, 153, 153));
    EXPECT_TRUE(replyOnly.hasWhiteText);

    EXPECT_EQ(SampleCell(map, 0x52).background, QColor(153, 153, 153));  // grey wins over orange
    EXPECT_EQ(SampleCell(map, 0x53).background, QColor(48, 210, 30));    // green wins over grey

    map.selectIndex(0x57);  // "W": a glyph with enough pixels to see its colour
    const Sample orange = SampleCell(map, 0x57);
    EXPECT_EQ(orange.background, QColor(255, 102, 0));
    EXPECT_TRUE(orange.hasWhiteText);
    EXPECT_FALSE(orange.hasDarkText);

    // A change of the sets shows on the next paint.
    sets.present.reset();
    EXPECT_EQ(SampleCell(map, 0x50).background, QColor(255, 255, 255));
}

TEST(LineMap, MouseAndArrowKeysMoveTheSelectionAndReportAClick) {
    LineMapWidget map;
    EXPECT_EQ(map.selectedIndex(), 0x47);
    QSignalSpy clicks(&map, &LineMapWidget::cellClicked);
    QSignalSpy doubles(&map, &LineMapWidget::cellDoubleClicked);
    QSignalSpy changes(&map, &LineMapWidget::selectedIndexChanged);

    QTest::mouseClick(&map, Qt::LeftButton, {}, LineMapWidget::CellRect(0xC6).center());
    EXPECT_EQ(map.selectedIndex(), 0xC6);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].value<unsigned char>(), 0xC6);

    QTest::keyClick(&map, Qt::Key_Right);
    EXPECT_EQ(map.selectedIndex(), 0xC7);
    QTest::keyClick(&map, Qt::Key_Down);
    EXPECT_EQ(map.selectedIndex(), 0xC7 + 26);
    QTest::keyClick(&map, Qt::Key_Up);
    QTest::keyClick(&map, Qt::Key_Left);
    EXPECT_EQ(map.selectedIndex(), 0xC6);
    EXPECT_EQ(clicks.count(), 5);

    // At the edges the arrows do not wrap and report nothing.
    map.selectIndex(0x47);
    clicks.clear();
    QTest::keyClick(&map, Qt::Key_Left);
    QTest::keyClick(&map, Qt::Key_Up);
    EXPECT_EQ(map.selectedIndex(), 0x47);
    EXPECT_EQ(clicks.count(), 0);

    // A right click selects its cell as a left click does (the cell menu
    // then opens there).
    QTest::mouseClick(&map, Qt::RightButton, {}, LineMapWidget::CellRect(0x50).center());
    EXPECT_EQ(map.selectedIndex(), 0x50);
    EXPECT_EQ(clicks.count(), 1);

    QTest::mouseDClick(&map, Qt::LeftButton, {}, LineMapWidget::CellRect(0x50).center());
    ASSERT_EQ(doubles.count(), 1);
    EXPECT_EQ(doubles[0][0].value<unsigned char>(), 0x50);
    EXPECT_EQ(map.selectedIndex(), 0x50);
    EXPECT_GE(changes.count(), 4);
}

// Presses keys on the map and returns the shortcut commands it reported.
class ShortcutKeys : public ::testing::Test {
protected:
    LineMapWidget map;
    QSignalSpy spy{&map, &LineMapWidget::shortcutPressed};

    QList<MenuCommand> Commands() {
        QList<MenuCommand> commands;
        for (const auto& args : spy) commands << args[0].value<MenuCommand>();
        spy.clear();
        return commands;
    }
    void Held(Qt::Key functionKey, Qt::Key digit) {
        QTest::keyPress(&map, functionKey);
        QTest::keyClick(&map, digit);
        QTest::keyRelease(&map, functionKey);
    }
};

TEST_F(ShortcutKeys, PlainAndHeldCombinations) {
    QTest::keyClick(&map, Qt::Key_F1);
    EXPECT_EQ(Commands(), QList<MenuCommand>{MenuCommand::CheckPresence});
    Held(Qt::Key_F4, Qt::Key_2);
    EXPECT_EQ(Commands(), QList<MenuCommand>{MenuCommand::PresetDoorWithSensor});
    Held(Qt::Key_F5, Qt::Key_4);  // "Задать мастер-карту"
    EXPECT_EQ(Commands(), QList<MenuCommand>{MenuCommand::SetMasterCard});
    Held(Qt::Key_F9, Qt::Key_3);
    EXPECT_EQ(Commands(), QList<MenuCommand>{MenuCommand::TestRelay3});
    QTest::keyClick(&map, Qt::Key_F10);
    EXPECT_EQ(Commands(), QList<MenuCommand>{MenuCommand::RunRawCommand});
}

TEST_F(ShortcutKeys, HoldableKeysAloneAndDigitsAloneDoNothing) {
    for (Qt::Key key : {Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_F9}) QTest::keyClick(&map, key);
    QTest::keyClick(&map, Qt::Key_2);
    EXPECT_TRUE(Commands().isEmpty());
    // Once released, F4 no longer combines.
    Held(Qt::Key_F4, Qt::Key_1);
    Commands();
    QTest::keyClick(&map, Qt::Key_1);
    EXPECT_TRUE(Commands().isEmpty());
    // Keypad digits are not the main-keyboard digits.
    QTest::keyPress(&map, Qt::Key_F4);
    QTest::keyClick(&map, Qt::Key_1, Qt::KeypadModifier);
    QTest::keyRelease(&map, Qt::Key_F4);
    EXPECT_TRUE(Commands().isEmpty());
    // Out-of-range digits: F6 has four relays.
    Held(Qt::Key_F6, Qt::Key_5);
    EXPECT_TRUE(Commands().isEmpty());
}

TEST(MapShortcutTable, EveryEntry) {
    using C = MenuCommand;
    struct Case {
        int fkey, digit;
        std::vector<int> held;
        std::optional<MenuCommand> command;
    };
    const Case cases[] = {
        {1, 0, {}, C::CheckPresence},
        {2, 0, {}, C::ReadParameters},
        {3, 0, {}, C::ChangeIndex},
        {7, 0, {}, C::TestMemory},
        {8, 0, {}, C::TestLine},
        {10, 0, {}, C::RunRawCommand},
        {4, 0, {}, std::nullopt},
        {5, 0, {}, std::nullopt},
        {6, 0, {}, std::nullopt},
        {9, 0, {}, std::nullopt},
        {0, 1, {4}, C::PresetDoorWithoutSensor},
        {0, 5, {4}, C::PresetRegistrationTerminal},
        {0, 6, {4}, std::nullopt},
        {0, 3, {5}, C::ModeAutonomous},
        {0, 4, {5}, C::SetMasterCard},
        {0, 5, {5}, C::ReadMasterCard},
        {0, 6, {5}, std::nullopt},
        {0, 1, {6}, C::RelayTime1},
        {0, 4, {6}, C::RelayTime4},
        {0, 5, {6}, std::nullopt},
        {0, 1, {9}, C::TestRelay1},
        {0, 4, {9}, C::TestRelay4},
        {0, 5, {9}, std::nullopt},
        {0, 2, {}, std::nullopt},
        {0, 2, {7}, std::nullopt},
        {0, 2, {4, 5}, C::PresetDoorWithSensor},  // held keys tested in order
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MapShortcut(c.fkey, c.digit, c.held), c.command) << c.fkey << " " << c.digit;
    }
}

}  // namespace
}  // namespace tulex
