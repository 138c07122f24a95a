// The monitor view over a line store: a million lines, only the visible rows
// read on a paint, following the end, starting over after a clear.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

#include <QApplication>

#include <atomic>
#include <thread>

#include "display/TrafficLog.h"
#include "gui/MainView.h"
#include "gui/MonitorLineStore.h"
#include "gui/MonitorView.h"
#include "gui/MonitorWindow.h"

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

// Over the session's monitor, which tells of its changes, the view's tick
// runs only while lines are new: an idle line wakes nothing.
TEST(MonitorViewWatching, TicksOnlyWhileSomethingIsNew) {
    TrafficLog log;
    log.SetWindowExists(true);
    TrafficLogStore store(log);
    MonitorView view;
    view.setFont(MonitorWindow::MonitorFont());
    view.resize(692, 200);
    view.setTickInterval(10);
    view.setStore(&store);
    view.show();
    QApplication::processEvents();
    EXPECT_FALSE(view.tickPending());

    log.Add("   first");
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.shownCount() == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.tickPending(); }, 5000));
    QTest::qWait(50);
    EXPECT_FALSE(view.tickPending()) << "idle: no tick";

    // Lines from another thread, as the receive thread adds them.
    std::thread receive([&log] {
        for (int i = 0; i < 1000; ++i) log.Add("   more");
    });
    receive.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.shownCount() == 1001; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.tickPending(); }, 5000));

    log.Clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.shownCount() == 0; }, 5000));
    view.setStore(nullptr);
    log.Add("   after the view let go");
    QApplication::processEvents();
    EXPECT_FALSE(view.tickPending());
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
