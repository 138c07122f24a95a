#pragma once
// The event list as a table model: the rows and columns of app/EventList
// (one row per card or sensor event, read from the session's event feed
// when painted; a search keeps the matches' sequence numbers only).
// refresh() takes in what the feed gained.

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>

#include "app/EventList.h"

namespace tulex {

class EventFeed;

class EventListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Time = EventList::Time,
        Index = EventList::Index,
        Kind = EventList::Kind,
        Title = EventList::Title,
        Number = EventList::Number,
        Direction = EventList::Direction,
        Data = EventList::Data,
        ColumnCount = EventList::ColumnCount
    };

    explicit EventListModel(const EventFeed& feed, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes in the events the feed gained since the last call.
    void refresh();
    // Shows only the events one of whose columns contains the text (case
    // ignored); an empty text shows all.
    void setSearchText(const QString& text);
    QString searchText() const { return QString::fromStdString(list_.SearchText()); }
    // The events the list holds (whatever the search shows).
    std::size_t eventCount() const { return list_.EventCount(); }
    // "Событий: 12" or "Найдено: 3 из 12".
    QString countText() const { return QString::fromStdString(list_.CountText()); }

private:
    EventList list_;
};

}  // namespace tulex
