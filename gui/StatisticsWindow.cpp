#include "gui/StatisticsWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "controller/StatisticsText.h"

namespace tulex {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

StatisticsColumn ColumnAt(int column) { return static_cast<StatisticsColumn>(column); }

// Sorts the rows by the figures a column shows, not by their texts.
class StatisticsSortModel : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
        const auto* model = static_cast<const StatisticsModel*>(sourceModel());
        return StatisticsLess(model->figures(left.row()), model->figures(right.row()), ColumnAt(left.column()));
    }
};

}  // namespace

StatisticsModel::StatisticsModel(const LineStatistics& statistics, QObject* parent)
    : QAbstractTableModel(parent), statistics_(statistics) {
    refresh();
}

void StatisticsModel::refresh() {
    const std::uint64_t version = statistics_.Version();
    if (version == version_) return;
    version_ = version;
    std::vector<ControllerFigures> rows = statistics_.Snapshot();
    const bool sameIndexes =
        rows.size() == rows_.size() && std::equal(rows.begin(), rows.end(), rows_.begin(),
                                                  [](const auto& a, const auto& b) { return a.index == b.index; });
    if (sameIndexes) {
        // The same rows with new figures: the selection and the order stay.
        rows_ = std::move(rows);
        if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int StatisticsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int StatisticsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant StatisticsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ControllerFigures& f = rows_[static_cast<std::size_t>(index.row())];
    const StatisticsColumn column = ColumnAt(index.column());
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(StatisticsAlignedLeft(column) ? Qt::AlignLeft | Qt::AlignVCenter
                                                              : Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole) return Q(FiguresToolTip(f, statistics_.clock()));
    if (role == Qt::DisplayRole) return Q(StatisticsCell(f, column, statistics_.clock()));
    return {};
}

QVariant StatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole) return Q(StatisticsHeader(ColumnAt(section)));
    if (role == Qt::ToolTipRole) return Q(StatisticsHint(ColumnAt(section)));
    return {};
}

StatisticsWindow::StatisticsWindow(LineStatistics& statistics, QWidget* parent)
    : QWidget(parent, Qt::Window),
      statistics_(statistics),
      model_(new StatisticsModel(statistics, this)),
      sorted_(new StatisticsSortModel(this)),
      table_(new QTableView(this)),
      reset_(new QPushButton(QStringLiteral("Сбросить"), this)),
      export_(new QPushButton(QStringLiteral("Экспорт CSV..."), this)),
      saved_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("ТУЛЕКС Статистика"));
    setObjectName(QStringLiteral("statisticsWindow"));
    sorted_->setSourceModel(model_);
    table_->setObjectName(QStringLiteral("statisticsTable"));
    table_->setModel(sorted_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(StatisticsModel::ColumnOf(StatisticsColumn::Index), Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    reset_->setObjectName(QStringLiteral("resetStatistics"));
    reset_->setToolTip(QStringLiteral("Забыть все цифры (очистка монитора тоже сбрасывает их)"));
    export_->setObjectName(QStringLiteral("exportStatistics"));
    saved_->setObjectName(QStringLiteral("saved"));
    saved_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saved_, 1);
    buttons->addWidget(reset_);
    buttons->addWidget(export_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(900, 320);

    connect(reset_, &QPushButton::clicked, this, [this] {
        statistics_.Reset();
        refresh();
    });
    connect(export_, &QPushButton::clicked, this, &StatisticsWindow::exportRequested);
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &StatisticsWindow::refresh);
}

void StatisticsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    timer_.start();
}

void StatisticsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void StatisticsWindow::refresh() { model_->refresh(); }

void StatisticsWindow::showSaved(const QString& text) { saved_->setText(text); }

}  // namespace tulex
