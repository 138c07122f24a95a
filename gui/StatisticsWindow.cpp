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
#include "line/Cp1251.h"

namespace tulex {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The kind counted by each of the received-frame columns.
HeardKind KindOfColumn(int column) { return kHeardKinds[static_cast<std::size_t>(column - StatisticsModel::Acks)]; }

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
    const int column = index.column();
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(column <= LastKind ? Qt::AlignLeft | Qt::AlignVCenter
                                                   : Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole) return Q(FiguresToolTip(f, statistics_.clock()));
    if (role != Qt::DisplayRole && role != kSortRole) return {};
    const bool sort = role == kSortRole;
    const auto reply = [sort](std::optional<double> ms) -> QVariant {
        if (sort) return ms ? *ms : -1.0;
        return Q(MillisecondsText(ms));
    };
    switch (column) {
    case Index:
        return sort ? QVariant(static_cast<int>(f.index))
                    : QVariant(Q(Cp1251ToUtf8(std::string(1, static_cast<char>(f.index)))));
    case LastHeard:
        if (sort)
            return f.lastHeard ? QVariant::fromValue<qlonglong>(f.lastHeard->time_since_epoch().count()) : QVariant(-1);
        return f.lastHeard ? Q(TimeOfDayText(*f.lastHeard, statistics_.clock())) : QString(QStringLiteral("—"));
    case LastKind:
        if (!f.lastHeard) return sort ? QVariant(-1) : QVariant(QStringLiteral("—"));
        return sort ? QVariant(static_cast<int>(f.lastKind)) : QVariant(Q(HeardKindText(f.lastKind)));
    case Requests: return QVariant::fromValue<qulonglong>(f.requests);
    case Timeouts: return QVariant::fromValue<qulonglong>(f.timeouts);
    case ReplyMin: return reply(f.ReplyMinMs());
    case ReplyMean: return reply(f.ReplyMeanMs());
    case ReplyMax: return reply(f.ReplyMaxMs());
    default: break;
    }
    if (column >= Acks && column <= Polls) return QVariant::fromValue<qulonglong>(f.Received(KindOfColumn(column)));
    return {};
}

QVariant StatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    static const char* const kHeaders[ColumnCount] = {
        "Индекс",  "Последний раз", "Кадр",    "Подтв.",    "Полож.",        "Ошибки",         "Данные",        "Карты",
        "Датчики", "Опросы",        "Запросы", "Тайм-ауты", "Ответ мин, мс", "Ответ сред, мс", "Ответ макс, мс"};
    static const char* const kHints[ColumnCount] = {"Индекс контроллера",
                                                    "Когда контроллер был слышен последний раз",
                                                    "Последний принятый от него кадр",
                                                    "Подтверждения «!»",
                                                    "Положительные ответы «$»",
                                                    "Ответы с ошибкой «#»",
                                                    "Ответы с данными",
                                                    "События карт",
                                                    "События датчиков",
                                                    "Опросы индекса преобразователем",
                                                    "Запросы, отправленные контроллеру",
                                                    "Запросы без ответа",
                                                    "Время ответа: от записи запроса до первого байта ответа",
                                                    "Время ответа: среднее",
                                                    "Время ответа: наибольшее"};
    if (section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kHeaders[section]);
    if (role == Qt::ToolTipRole) return QString::fromUtf8(kHints[section]);
    return {};
}

StatisticsWindow::StatisticsWindow(LineStatistics& statistics, QWidget* parent)
    : QWidget(parent, Qt::Window),
      statistics_(statistics),
      model_(new StatisticsModel(statistics, this)),
      sorted_(new QSortFilterProxyModel(this)),
      table_(new QTableView(this)),
      reset_(new QPushButton(QStringLiteral("Сбросить"), this)),
      export_(new QPushButton(QStringLiteral("Экспорт CSV..."), this)),
      saved_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("ТУЛЕКС Статистика"));
    setObjectName(QStringLiteral("statisticsWindow"));
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(StatisticsModel::kSortRole);
    table_->setObjectName(QStringLiteral("statisticsTable"));
    table_->setModel(sorted_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(StatisticsModel::Index, Qt::AscendingOrder);
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
    timer_.start();
}

void StatisticsWindow::refresh() { model_->refresh(); }

void StatisticsWindow::showSaved(const QString& text) { saved_->setText(text); }

}  // namespace tulex
