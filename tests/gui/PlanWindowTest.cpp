// The plan window on the in-memory line: the plan's table before, during
// and after a run (state texts, row colours, "N из M"), the buttons that
// are enabled when, the operator's prompt, Stop, a plan that does not read
// (its errors told, the table kept), the report written; and the main
// window's "План" item.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <fstream>
#include <memory>

#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "gui/PlanWindow.h"
#include "plan/PlanBoard.h"
#include "tests/gui/WindowFixture.h"
#include "tests/support/LineFrames.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingView.h"
#include "tests/support/RunOnLine.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualLine.h"

namespace tulex {
namespace {

using namespace std::chrono_literals;
using test::kG;
using test::kH;

class PlanWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = std::make_unique<LineSession>(view, dispatcher, line.MakePort(), clock);
        session->OpenPort(test::VirtualLine::kPortName, "9600");
        ASSERT_TRUE(session->IsPortOpen());
        line.With([](sim::SimLine& l) {
            l.AddController(kG)->ApplyPreset("door-sensor");
            l.AddController(kH);
            return 0;
        });
        window = std::make_unique<PlanWindow>(*session, [] {
            return std::pair<std::string, std::string>{"VLINE1", "9600"};
        });
    }
    void TearDown() override {
        RunUntil([this] { return !window->board().Running(); });
        window.reset();
        session.reset();
    }
    bool RunUntil(const std::function<bool()>& pred) { return test::RunOnLine(dispatcher, clock, line, pred, 20s); }
    std::filesystem::path Plan(const std::string& name, const std::string& text) {
        const auto path = dir.path() / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    QStringList Column(int column) const {
        QStringList texts;
        for (int r = 0; r < window->table->rowCount(); ++r) texts << window->table->item(r, column)->text();
        return texts;
    }
    QColor RowColour(int row) const { return window->table->item(row, 0)->background().color(); }

    static constexpr int kStateColumn = 10;
    static constexpr int kNoteColumn = 11;

    test::TempDir dir;
    test::ManualClock clock;
    test::VirtualLine line{clock};
    QueueDispatcher dispatcher;
    test::RecordingView view;
    std::unique_ptr<LineSession> session;
    std::unique_ptr<PlanWindow> window;
};

TEST_F(PlanWindowTest, ShowsThePlanThenEachRowsStateColourAndTheProgress) {
    ASSERT_TRUE(window->OpenPlan(
        QString::fromStdString(Plan("объект.csv", "index;name;preset;mode\nG;Вход;2;offline\nH;Касса;5;\n").string())));
    EXPECT_EQ(window->table->rowCount(), 2);
    EXPECT_EQ(window->fileLabel->text(), "объект.csv — объект");
    EXPECT_EQ(Column(1), (QStringList{"G", "H"}));
    EXPECT_EQ(Column(3), (QStringList{"2", "5"}));
    EXPECT_EQ(window->table->item(1, 3)->toolTip(), "Регистрационный терминал");
    EXPECT_EQ(Column(kStateColumn), (QStringList{"ожидает", "ожидает"}));
    EXPECT_EQ(window->progressLabel->text(), "");
    EXPECT_TRUE(window->applyButton->isEnabled());
    EXPECT_FALSE(window->stopButton->isEnabled());
    EXPECT_FALSE(window->reportButton->isEnabled()) << "no report before a run";

    window->applyButton->click();
    EXPECT_FALSE(window->applyButton->isEnabled());
    EXPECT_TRUE(window->stopButton->isEnabled());
    ASSERT_TRUE(RunUntil([this] { return window->board().Summary().has_value(); }));
    EXPECT_EQ(Column(kStateColumn), (QStringList{"совпадает", "выполнено"}));
    EXPECT_EQ(window->table->item(1, kNoteColumn)->text(), "записано: Стандартный набор");
    const Colour done = plan::StateColour(plan::RowState::Done);
    EXPECT_EQ(RowColour(1), QColor(done.r, done.g, done.b));
    EXPECT_EQ(window->progressLabel->text(), "2 из 2");
    EXPECT_TRUE(window->reportButton->isEnabled());
    EXPECT_FALSE(window->stopButton->isEnabled());

    window->SaveReportTo(QString::fromStdString((dir.path() / "отчёт.html").string()));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "отчёт.html"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "отчёт.json"));
}

TEST_F(PlanWindowTest, ShowsWhatItWaitsForAndStops) {
    ASSERT_TRUE(window->OpenPlan(QString::fromStdString(Plan("p.csv", "index;preset\nЖ;1\nИ;1\n").string())));
    window->factoryEdit->setText("ь");
    window->applyButton->click();
    ASSERT_TRUE(RunUntil([this] { return window->promptLabel->isVisibleTo(window.get()); }));
    EXPECT_EQ(window->promptLabel->text(), "Ж: Подключите новый контроллер (заводской индекс ь)");
    EXPECT_EQ(window->progressLabel->text(), "0 из 2");
    EXPECT_EQ(Column(kStateColumn), (QStringList{"выполняется", "ожидает"}));
    const Colour waiting = plan::StateColour(plan::RowState::Running);
    EXPECT_EQ(RowColour(0), QColor(waiting.r, waiting.g, waiting.b));
    window->stopButton->click();
    ASSERT_TRUE(RunUntil([this] { return window->board().Summary().has_value(); }));
    EXPECT_EQ(Column(kStateColumn), (QStringList{"пропущено", "пропущено"}));
    EXPECT_EQ(window->table->item(0, kNoteColumn)->text(), "Ожидание нового контроллера: Остановлено оператором.");
    EXPECT_FALSE(window->promptLabel->isVisibleTo(window.get()));
    EXPECT_EQ(window->progressLabel->text(), "2 из 2");
}

TEST_F(PlanWindowTest, APlanThatDoesNotReadIsToldAndTheTableStays) {
    ASSERT_TRUE(window->OpenPlan(QString::fromStdString(Plan("good.csv", "index\nG\n").string())));
    test::MessageBoxCatcher catcher;
    EXPECT_FALSE(window->OpenPlan(QString::fromStdString(Plan("bad.csv", "index;mode\nG;x\nH;fast\n").string())));
    EXPECT_TRUE(catcher.text.startsWith("План не прочитан, ничего не применено:")) << catcher.text.toStdString();
    EXPECT_TRUE(catcher.text.contains("строка 3, столбец 2: mode: «fast»")) << catcher.text.toStdString();
    EXPECT_EQ(window->table->rowCount(), 1);
    EXPECT_EQ(window->fileLabel->text(), "good.csv — good");
}

TEST_F(PlanWindowTest, AuditWithoutAPlanReadsTheControllersOnTheMap) {
    EXPECT_FALSE(window->applyButton->isEnabled()) << "nothing to apply without a plan";
    session->map().AddIndex(kH, MapSet::Present);
    window->auditButton->click();
    ASSERT_TRUE(RunUntil([this] { return window->board().Summary().has_value(); }));
    EXPECT_EQ(Column(1), (QStringList{"H"}));
    EXPECT_EQ(Column(kStateColumn), (QStringList{"совпадает"}));
    EXPECT_EQ(window->table->item(0, kNoteColumn)->text(), "offline, реле 2.0/2.0/2.0/2.0");
}

TEST(PlanMenu, ThePlanItemOpensThePlanWindow) {
    MainView view({"tulex"});
    EXPECT_EQ(view.planWindow(), nullptr);
    view.window().planAction->trigger();
    ASSERT_NE(view.planWindow(), nullptr);
    EXPECT_TRUE(view.planWindow()->isVisible());
    EXPECT_EQ(view.planWindow()->windowTitle(), "План");
    view.planWindow()->close();
    view.window().planAction->trigger();
    EXPECT_TRUE(view.planWindow()->isVisible()) << "shown again";
    view.Shutdown();
    EXPECT_FALSE(view.planWindow()->isVisible()) << "it does not outlive the main window";
}

}  // namespace
}  // namespace tulex
