#pragma once
// The per-controller statistics as a table: one row per index heard or
// addressed, sortable by any column (click its header), refreshed while the
// figures change. "Сбросить" forgets them; "Экспорт CSV..." asks for a file
// (the window's owner does the asking and the writing).

#include <QAbstractTableModel>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "controller/LineStatistics.h"
#include "controller/StatisticsText.h"

class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace tulex {

class StatisticsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The columns are the engine's StatisticsColumn, in its order.
    static constexpr int ColumnCount = kStatisticsColumnCount;
    static constexpr int ColumnOf(StatisticsColumn column) { return static_cast<int>(column); }
    explicit StatisticsModel(const LineStatistics& statistics, QObject* parent = nullptr);

    // Takes the figures in again if they changed since the last time.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The figures shown in a row.
    const ControllerFigures& figures(int row) const { return rows_[static_cast<std::size_t>(row)]; }

private:
    const LineStatistics& statistics_;
    std::vector<ControllerFigures> rows_;
    std::uint64_t version_ = ~std::uint64_t{0};
};

class StatisticsWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 500;

    explicit StatisticsWindow(LineStatistics& statistics, QWidget* parent = nullptr);

    QTableView* table() const { return table_; }
    StatisticsModel* model() const { return model_; }
    QPushButton* resetButton() const { return reset_; }
    QPushButton* exportButton() const { return export_; }
    QLabel* savedLabel() const { return saved_; }
    // Takes in the figures now (the timer does it every kRefreshMs while
    // the window is shown; a hidden one wakes nothing).
    void refresh();
    void showSaved(const QString& text);
    bool refreshing() const { return timer_.isActive(); }

signals:
    void exportRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    LineStatistics& statistics_;
    StatisticsModel* model_;
    QSortFilterProxyModel* sorted_;
    QTableView* table_;
    QPushButton* reset_;
    QPushButton* export_;
    QLabel* saved_;
    QTimer timer_;
};

}  // namespace tulex
