#include "gui/PlanWindow.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "plan/FieldValues.h"
#include "plan/PlanBoard.h"
#include "plan/PlanFile.h"

namespace tulex {

namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

constexpr int kPresetColumn = 3;
std::string S(const QString& text) { return text.toStdString(); }

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

}  // namespace

PlanWindow::PlanWindow(CommandContext& context, std::function<std::pair<std::string, std::string>()> portAndSpeed)
    : QWidget(nullptr, Qt::Window),
      board_(std::make_unique<plan::PlanBoard>(context)),
      portAndSpeed_(std::move(portAndSpeed)) {
    setObjectName(QStringLiteral("planWindow"));
    setWindowTitle(QStringLiteral("План"));
    resize(1120, 420);

    openButton = Button(this, "openPlanButton", QStringLiteral("Открыть план..."));
    fileLabel = new QLabel(QStringLiteral("План не открыт"), this);
    fileLabel->setObjectName(QStringLiteral("planFileLabel"));
    auto* factoryCaption = new QLabel(QStringLiteral("Заводской индекс:"), this);
    factoryEdit = new QLineEdit(this);
    factoryEdit->setObjectName(QStringLiteral("factoryIndexEdit"));
    factoryEdit->setMaximumWidth(60);
    factoryEdit->setToolTip(QStringLiteral("Индекс, под которым отвечают новые контроллеры. Пусто — новых нет."));
    factoryCaption->setBuddy(factoryEdit);

    table = new QTableWidget(this);
    table->setObjectName(QStringLiteral("planTable"));
    QStringList titles;
    for (const auto& title : plan::PlanBoard::ColumnTitles()) titles << Q(title);
    table->setColumnCount(static_cast<int>(titles.size()));
    table->setHorizontalHeaderLabels(titles);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    table->horizontalHeaderItem(kPresetColumn)
        ->setToolTip(QStringLiteral("Стандартный набор: 1 — дверь без датчика положения, 2 — дверь с датчиком "
                                    "положения, 3 — турникет без подтверждения прохода, 4 — турникет с "
                                    "подтверждением прохода, 5 — регистрационный терминал"));

    promptLabel = new QLabel(this);
    promptLabel->setObjectName(QStringLiteral("planPromptLabel"));
    promptLabel->setStyleSheet(
        QStringLiteral("QLabel { background: rgb(255, 255, 102); padding: 4px; font-weight: bold; }"));
    promptLabel->setVisible(false);
    progressLabel = new QLabel(this);
    progressLabel->setObjectName(QStringLiteral("planProgressLabel"));
    progressLabel->setMinimumWidth(90);

    auditButton = Button(this, "auditButton", QStringLiteral("Проверить"));
    applyButton = Button(this, "applyButton", QStringLiteral("Применить"));
    stopButton = Button(this, "stopPlanButton", QStringLiteral("Стоп"));
    reportButton = Button(this, "reportButton", QStringLiteral("Отчёт..."));
    auditButton->setToolTip(
        QStringLiteral("Прочитать параметры и сравнить с планом (без плана — все найденные контроллеры)"));
    applyButton->setToolTip(QStringLiteral("Записать в контроллеры то, что отличается от плана"));
    stopButton->setToolTip(QStringLiteral("Остановить после текущего шага"));

    auto* top = new QHBoxLayout;
    top->addWidget(openButton);
    top->addWidget(fileLabel, 1);
    top->addWidget(factoryCaption);
    top->addWidget(factoryEdit);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progressLabel);
    bottom->addStretch(1);
    for (QPushButton* b : {auditButton, applyButton, stopButton, reportButton}) bottom->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table, 1);
    layout->addWidget(promptLabel);
    layout->addLayout(bottom);

    connect(openButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Открыть план"), {},
                                                          QStringLiteral("План (*.csv *.json);;Все файлы (*)"));
        if (!path.isEmpty()) OpenPlan(path);
    });
    connect(auditButton, &QPushButton::clicked, this, &PlanWindow::StartAudit);
    connect(applyButton, &QPushButton::clicked, this, &PlanWindow::StartApply);
    connect(stopButton, &QPushButton::clicked, this, &PlanWindow::Stop);
    connect(reportButton, &QPushButton::clicked, this, &PlanWindow::SaveReport);
    board_->changed = [this] { Refresh(); };
    Refresh();
}

PlanWindow::~PlanWindow() { board_->changed = nullptr; }

void PlanWindow::Warn(const QString& text) { QMessageBox::warning(this, QStringLiteral("Предупреждение"), text); }

bool PlanWindow::OpenPlan(const QString& path) {
    const auto errors = board_->Load(plan::Utf8Path(S(path)));
    if (errors.empty()) return true;
    QString text = QStringLiteral("План не прочитан, ничего не применено:\n\n");
    constexpr std::size_t kShown = 15;
    for (std::size_t i = 0; i < errors.size() && i < kShown; ++i) text += Q(errors[i]) + "\n";
    if (errors.size() > kShown) text += QStringLiteral("… и ещё %1").arg(errors.size() - kShown);
    Warn(text);
    return false;
}

void PlanWindow::Start(bool apply) {
    const std::string refusal = board_->Start(apply ? plan::Task::Apply : plan::Task::Audit, S(factoryEdit->text()));
    // "-": the session has told the operator already.
    if (!refusal.empty() && refusal != "-") Warn(Q(refusal));
}

void PlanWindow::StartAudit() { Start(false); }
void PlanWindow::StartApply() { Start(true); }
void PlanWindow::Stop() { board_->Stop(); }

void PlanWindow::SaveReport() {
    const std::string site = board_->plan().site.empty() ? "отчёт" : board_->plan().site;
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Отчёт"), Q(site + ".html"), QStringLiteral("HTML (*.html)"));
    if (!path.isEmpty()) SaveReportTo(path);
}

void PlanWindow::SaveReportTo(const QString& htmlPath) {
    const auto [port, speed] = portAndSpeed_ ? portAndSpeed_() : std::pair<std::string, std::string>{};
    const std::string error = board_->SaveReport(plan::Utf8Path(S(htmlPath)), port, speed);
    if (!error.empty()) Warn(Q(error));
}

void PlanWindow::Refresh() {
    const plan::PlanBoard& b = *board_;
    if (b.HasPlan()) fileLabel->setText(Q(b.FileName() + (b.plan().site.empty() ? "" : " — " + b.plan().site)));
    const int rows = static_cast<int>(b.RowCount());
    if (table->rowCount() != rows) table->setRowCount(rows);
    int running = -1;
    for (int r = 0; r < rows; ++r) {
        const auto cells = b.RowCells(static_cast<std::size_t>(r));
        const Colour c = b.RowColour(static_cast<std::size_t>(r));
        const QColor colour(c.r, c.g, c.b);
        for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
            QTableWidgetItem* item = table->item(r, column);
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(r, column, item);
            }
            item->setText(Q(cells[static_cast<std::size_t>(column)]));
            item->setBackground(colour);
        }
        table->item(r, kPresetColumn)->setToolTip(Q(b.PresetCaption(static_cast<std::size_t>(r))));
        table->item(r, static_cast<int>(cells.size()) - 1)->setToolTip(Q(cells.back()));
        if (b.State(static_cast<std::size_t>(r)) == plan::RowState::Running) running = r;
    }
    if (running >= 0) table->scrollToItem(table->item(running, 0));
    // The columns follow their texts (states and notes grow as rows end).
    table->resizeColumnsToContents();
    progressLabel->setText(Q(b.ProgressText()));
    promptLabel->setText(Q(b.Prompt()));
    promptLabel->setVisible(!b.Prompt().empty());
    const bool runningNow = b.Running();
    auditButton->setEnabled(!runningNow);
    applyButton->setEnabled(!runningNow && b.HasPlan());
    stopButton->setEnabled(runningNow);
    reportButton->setEnabled(!runningNow && b.Summary().has_value());
    openButton->setEnabled(!runningNow);
    factoryEdit->setEnabled(!runningNow);
}

}  // namespace tulex
