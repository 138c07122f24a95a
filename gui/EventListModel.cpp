#include "gui/EventListModel.h"

namespace tulex {

EventListModel::EventListModel(const EventFeed& feed, QObject* parent) : QAbstractTableModel(parent), list_(feed) {}

int EventListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.RowCount());
}

int EventListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::TextAlignmentRole && index.column() <= Index) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    return QString::fromStdString(EventList::Cell(list_.Row(static_cast<std::size_t>(index.row())), index.column()));
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) return {};
    return QString::fromStdString(EventList::Header(section));
}

void EventListModel::refresh() {
    EventList::Update update = list_.Collect();
    if (update.restart) {
        beginResetModel();
        list_.Apply(std::move(update));
        endResetModel();
        return;
    }
    if (update.added == 0) {
        list_.Apply(std::move(update));
        return;
    }
    const int rows = rowCount();
    beginInsertRows({}, rows, rows + static_cast<int>(update.added) - 1);
    list_.Apply(std::move(update));
    endInsertRows();
}

void EventListModel::setSearchText(const QString& text) {
    if (text.toStdString() == list_.SearchText()) return;
    beginResetModel();
    list_.SetSearchText(text.toStdString());
    endResetModel();
}

}  // namespace tulex
