// The monitor view over a line store: a million lines, only the visible rows
// read on a paint, following the end, starting over after a clear.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>

#include <atomic>
#include <optional>
#include <vector>

#include "gui/MonitorLineStore.h"
#include "gui/MonitorView.h"
#include "gui/MonitorWindow.h"
#include "line/Cp1251.h"

namespace tulex {
namespace {

// Lines made up on demand; counts how many were read.
class CountingStore final : public MonitorLineStore {
public:
    std::size_t lines = 0;
    std::uint64_t gen = 0;
    mutable std::atomic<std::size_t> reads{0};

    std::size_t count() const override { return lines; }
    std::string line(std::size_t i) const override {
        ++reads;
        return i < lines ? "12:00:00   COM1   \x97\x97>   line " + std::to_string(i) : std::string();
    }
    std::uint64_t generation() const override { return gen; }
};

class MonitorViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.setFont(MonitorWindow::MonitorFont());
        view.resize(692, 200);
        view.setTickInterval(1000000);  // the test drives refresh() itself
        view.setStore(&store);
        view.show();
    }
    std::size_t ReadsForOnePaint() {
        store.reads = 0;
        view.viewport()->grab();
        return store.reads;
    }
    std::size_t Screenful() const { return static_cast<std::size_t>(view.viewport()->height() / view.lineHeight()); }

    CountingStore store;
    MonitorView view;
};

TEST_F(MonitorViewTest, AMillionLinesPaintOnlyTheVisibleRows) {
    store.lines = 1'000'000;
    view.refresh();
    ASSERT_EQ(view.shownCount(), 1'000'000u);
    ASSERT_GT(Screenful(), 3u);
    // At the end: the last line is on screen.
    EXPECT_TRUE(view.isAtEnd());
    EXPECT_EQ(view.firstVisibleLine() + Screenful(), 1'000'000u);
    EXPECT_LE(ReadsForOnePaint(), Screenful() + 2);

    view.verticalScrollBar()->setValue(500'000);
    EXPECT_EQ(view.firstVisibleLine(), 500'000u);
    const std::size_t reads = ReadsForOnePaint();
    EXPECT_GE(reads, Screenful());
    EXPECT_LE(reads, Screenful() + 2);
}

TEST_F(MonitorViewTest, NewLinesAreFollowedOnlyFromTheEnd) {
    store.lines = 1000;
    view.refresh();
    EXPECT_TRUE(view.isAtEnd());
    store.lines = 1500;  // a burst between two ticks
    view.refresh();
    EXPECT_EQ(view.shownCount(), 1500u);
    EXPECT_TRUE(view.isAtEnd());

    view.verticalScrollBar()->setValue(100);  // the operator reads older lines
    store.lines = 2000;
    view.refresh();
    EXPECT_EQ(view.firstVisibleLine(), 100u);
    EXPECT_EQ(view.shownCount(), 2000u);
}

TEST_F(MonitorViewTest, StartsOverAfterAClearEvenIfRefilled) {
    store.lines = 5000;
    view.refresh();
    view.verticalScrollBar()->setValue(10);
    store.gen = 1;       // cleared ...
    store.lines = 6000;  // ... and more lines came before the tick
    view.refresh();
    EXPECT_EQ(view.shownCount(), 6000u);
    EXPECT_EQ(view.selectedLine(), -1);
    store.lines = 3;
    store.gen = 2;
    view.refresh();
    EXPECT_EQ(view.shownCount(), 3u);
    EXPECT_EQ(view.firstVisibleLine(), 0u);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
}

TEST_F(MonitorViewTest, TickPicksUpLinesWithoutBeingAsked) {
    view.setTickInterval(10);
    store.lines = 42;
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.shownCount() == 42; }, 2000));
}

TEST_F(MonitorViewTest, ClickSelectsALineAndCopyGivesItsText) {
    store.lines = 10;
    view.refresh();
    const int y = view.lineHeight() * 3 + 2;  // the fourth row on screen
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, y));
    EXPECT_EQ(view.selectedLine(), static_cast<long long>(view.firstVisibleLine() + 3));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString("12:00:00   COM1   ——>   line %1").arg(view.selectedLine()));
    // Below the last line nothing is selected.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, view.viewport()->height() - 2));
    ASSERT_GT(view.firstVisibleLine() + Screenful(), store.lines);  // ten lines leave room below
    EXPECT_EQ(view.selectedLine(), -1);
}

TEST_F(MonitorViewTest, HorizontalRangeGrowsWithTheWidestPaintedLine) {
    class LongLines final : public MonitorLineStore {
    public:
        std::size_t count() const override { return 3; }
        std::string line(std::size_t i) const override { return std::string(i == 1 ? 400 : 10, 'x'); }
    } wide;
    view.setStore(&wide);
    view.viewport()->grab();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.horizontalScrollBar()->maximum() > 0; }, 2000));
    const int before = view.horizontalScrollBar()->maximum();
    view.horizontalScrollBar()->setValue(before);
    EXPECT_EQ(view.horizontalScrollBar()->value(), before);
}

// A small monitor whose lines say what they are, as the session tags them.
class TaggedStore final : public MonitorLineStore {
public:
    struct Line {
        std::string text;  // Windows-1251
        MonitorTag tag;
    };
    std::vector<Line> lines;
    std::size_t count() const override { return lines.size(); }
    std::string line(std::size_t i) const override { return i < lines.size() ? lines[i].text : std::string(); }
    MonitorTag tag(std::size_t i) const override { return lines[i].tag; }
    void Add(const std::string& utf8, MonitorLineKind kind, std::uint8_t index = 0) {
        lines.push_back({Utf8ToCp1251Lossy(utf8), {kind, index}});
    }
};

class MonitorFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        using K = MonitorLineKind;
        store.Add("12:00:00   COM1   ---   Порт открыт. Скорость, бит/с — 9600", K::Other);
        store.Add("12:00:01   COM1   <——   G   —   Проверка наличия контроллера", K::Sent, 0x47);
        store.Add("12:00:01   COM1   ——>   OK", K::Reply, 0x47);
        store.Add("12:00:02   COM1   ——>   H;123456789000?", K::Card, 0x48);
        store.Add("12:00:03   COM1   ——>   G0A?", K::Sensor, 0x47);
        store.Add("12:00:04   TIMEOUT", K::Timeout, 0x48);
        store.Add("12:00:05   COM1   ——>   Ж;00000000AB12?", K::Card, 0xC6);
        view.setFont(MonitorWindow::MonitorFont());
        view.resize(692, 200);
        view.setTickInterval(1000000);
        view.setStore(&store);
        view.show();
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> lines;
        for (std::size_t r = 0; r < view.shownCount(); ++r)
            lines.push_back(Cp1251ToUtf8(store.line(view.lineOfRow(r))).substr(8));
        return lines;
    }
    TaggedStore store;
    MonitorView view;
};

TEST_F(MonitorFilterTest, KindsAndIndexPickTheLinesAndNewLinesFollowTheFilter) {
    using K = MonitorLineKind;
    struct Case {
        const char* name;
        std::uint8_t kinds;
        std::uint8_t index;
        std::vector<std::string> shown;
    };
    const auto kind = [](std::initializer_list<K> ks) {
        std::uint8_t bits = 0;
        for (const K k : ks) bits |= static_cast<std::uint8_t>(k);
        return bits;
    };
    const Case cases[] = {
        {"cards", kind({K::Card}), 0, {"   COM1   ——>   H;123456789000?", "   COM1   ——>   Ж;00000000AB12?"}},
        {"G",
         kAllMonitorLineKinds,
         0x47,
         {"   COM1   <——   G   —   Проверка наличия контроллера", "   COM1   ——>   OK", "   COM1   ——>   G0A?"}},
        {"H's time-outs and cards",
         kind({K::Timeout, K::Card}),
         0x48,
         {"   COM1   ——>   H;123456789000?", "   TIMEOUT"}},
        {"Ж by its Cyrillic index", kAllMonitorLineKinds, 0xC6, {"   COM1   ——>   Ж;00000000AB12?"}},
        {"nothing ticked", 0, 0, {}},
    };
    for (const Case& c : cases) {
        view.setFilter({c.kinds, c.index});
        EXPECT_EQ(Shown(), c.shown) << c.name;
    }
    // Lines that come later are filtered on the tick, from where it stopped.
    view.setFilter({kind({K::Card}), 0});
    store.Add("12:00:06   COM1   ——>   G;111111111111?", K::Card, 0x47);
    store.Add("12:00:06   COM1   ——>   G:47?", K::Received, 0x47);
    view.refresh();
    ASSERT_EQ(view.shownCount(), 3u);
    EXPECT_EQ(view.lineOfRow(2), 7u);
    // All kinds and any index again: every line.
    view.setFilter({});
    EXPECT_EQ(view.shownCount(), store.lines.size());
}

TEST_F(MonitorFilterTest, SearchFindsCyrillicInAnyCaseAndWrapsBothWays) {
    QSignalSpy found(&view, &MonitorView::searchFound);
    view.setSearchText("ПРОВЕРКА");  // live: the first row that has it
    EXPECT_EQ(view.selectedLine(), 1);
    EXPECT_TRUE(view.findNext(true)) << "the only match again, wrapping round";
    EXPECT_EQ(view.selectedLine(), 1);
    view.setSearchText("?");
    EXPECT_EQ(view.selectedLine(), 3) << "the next row after the current one that holds it";
    EXPECT_TRUE(view.findNext(true));
    EXPECT_EQ(view.selectedLine(), 4);
    EXPECT_TRUE(view.findNext(false));
    EXPECT_EQ(view.selectedLine(), 3);
    EXPECT_TRUE(view.findNext(false));
    EXPECT_EQ(view.selectedLine(), 6) << "wrapped to the last row";
    view.setSearchText("ж;");  // lower case finds the upper-case index
    EXPECT_EQ(view.selectedLine(), 6);
    found.clear();
    view.setSearchText("нет такого");
    EXPECT_EQ(view.selectedLine(), 6) << "the selection stays";
    ASSERT_FALSE(found.isEmpty());
    EXPECT_FALSE(found.last().at(0).toBool());
    // Under a filter only the rows shown are searched.
    view.setFilter({static_cast<std::uint8_t>(MonitorLineKind::Card), 0});
    view.setSearchText("OK");
    EXPECT_FALSE(view.findNext(true));
}

TEST_F(MonitorFilterTest, ShiftExtendsTheSelectionAndCopyTakesEveryLine) {
    const int h = view.lineHeight();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(10, h * 1 + 2));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, h * 3 + 2));
    EXPECT_EQ(view.selectionFirst(), 1);
    EXPECT_EQ(view.selectionLast(), 3);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.selectionLast(), 4);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "12:00:01   COM1   <——   G   —   Проверка наличия контроллера\n12:00:01   COM1   ——>   OK\n"
              "12:00:02   COM1   ——>   H;123456789000?\n12:00:03   COM1   ——>   G0A?");
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.selectionFirst(), 0);
    EXPECT_EQ(view.selectionLast(), static_cast<long long>(store.lines.size()) - 1);
    // Under a filter the rows copied are those shown.
    view.setFilter({static_cast<std::uint8_t>(MonitorLineKind::Card), 0});
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "12:00:02   COM1   ——>   H;123456789000?\n12:00:05   COM1   ——>   Ж;00000000AB12?");
}

TEST(MonitorWindowTest, FilterControlsAndIndexInput) {
    TaggedStore store;
    store.Add("12:00:01   COM1   <——   G   —   Проверка", MonitorLineKind::Sent, 0x47);
    store.Add("12:00:02   COM1   ——>   H;123456789000?", MonitorLineKind::Card, 0x48);
    MonitorWindow monitor(&store);
    monitor.setAttribute(Qt::WA_DeleteOnClose, false);
    monitor.show();
    monitor.view()->setTickInterval(1000000);
    monitor.kindActions()[0]->setChecked(false);  // no sent frames
    EXPECT_EQ(monitor.view()->shownCount(), 1u);
    monitor.kindActions()[0]->setChecked(true);
    QTest::keyClicks(monitor.indexEdit(), "H");
    EXPECT_EQ(monitor.view()->filter().index, 0x48);
    EXPECT_EQ(monitor.view()->shownCount(), 1u);
    monitor.indexEdit()->setText("0x47");
    EXPECT_EQ(monitor.view()->filter().index, 0x47);
    monitor.indexEdit()->setText("!");  // no index: nothing filtered, the field says so
    EXPECT_EQ(monitor.view()->filter().index, 0);
    EXPECT_FALSE(monitor.indexEdit()->styleSheet().isEmpty());
    EXPECT_EQ(monitor.view()->shownCount(), 2u);

    struct Case {
        const char* text;
        std::optional<unsigned char> index;
    };
    for (const Case& c : {Case{"", std::nullopt}, Case{"G", 0x47}, Case{"ь", 0xFC}, Case{"Ж", 0xC6}, Case{"0xfc", 0xFC},
                          Case{"0x20", 0}, Case{"GH", 0}, Case{"F", 0}})
        EXPECT_EQ(MonitorWindow::ParseIndex(QString::fromUtf8(c.text)), c.index) << c.text;

    QSignalSpy toggled(&monitor, &MonitorWindow::millisecondsToggled);
    monitor.millisecondsBox()->click();
    ASSERT_EQ(toggled.size(), 1);
    EXPECT_TRUE(toggled.front().at(0).toBool());
    monitor.setMilliseconds(false);  // from the model: no signal back
    EXPECT_EQ(toggled.size(), 1);
}

TEST(MonitorWindowTest, TitleFontAndPlacementBelowTheOwner) {
    EXPECT_EQ(MonitorWindow::Title(false), "ТУЛЕКС Монитор");
    EXPECT_EQ(MonitorWindow::Title(true), "ТУЛЕКС Монитор (ПАУЗА)");
    EXPECT_TRUE(QFontInfo(MonitorWindow::MonitorFont()).fixedPitch());
    EXPECT_EQ(MonitorWindow::MonitorFont().pixelSize(), 13);

    QWidget owner;
    owner.setGeometry(100, 100, 692, 344);
    owner.show();
    CountingStore store;
    MonitorWindow monitor(&store);
    monitor.setAttribute(Qt::WA_DeleteOnClose, false);
    monitor.showBelow(&owner);
    EXPECT_EQ(monitor.windowTitle(), "ТУЛЕКС Монитор");
    EXPECT_GT(monitor.frameGeometry().top(), owner.frameGeometry().bottom());
    EXPECT_EQ(monitor.frameGeometry().left(), owner.frameGeometry().left());
    EXPECT_EQ(monitor.width(), owner.width());
    monitor.setPaused(true);
    EXPECT_EQ(monitor.windowTitle(), "ТУЛЕКС Монитор (ПАУЗА)");
}

}  // namespace
}  // namespace tulex
