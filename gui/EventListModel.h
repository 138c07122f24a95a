#pragma once
// The event list as a table model over the session's event feed: one row
// per card or sensor event, the columns of display/EventText. Rows are read
// from the feed when they are painted, so the model itself holds no copies;
// a search keeps only the sequence numbers of the matching events. refresh()
// takes in what the feed gained (or starts over when old events were dropped
// or the list was cleared).

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <vector>

#include "display/EventText.h"

namespace tulex {

class EventFeed;

class EventListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Time, Index, Kind, Title, Number, Direction, Data, ColumnCount };

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
    QString searchText() const { return search_; }
    // The events the list holds (whatever the search shows).
    std::size_t eventCount() const { return static_cast<std::size_t>(next_ - first_); }

private:
    std::uint64_t sequence(int row) const;
    bool matches(const EventText& text) const;
    // Appends to `out` the matching events of [from, to).
    void scan(std::uint64_t from, std::uint64_t to, std::vector<std::uint64_t>& out) const;
    const EventText& describe(int row) const;

    const EventFeed& feed_;
    std::uint64_t first_ = 0;  // the events shown: [first_, next_)
    std::uint64_t next_ = 0;
    QString search_;
    std::vector<std::uint64_t> matches_;  // while searching
    // The last row described: a paint asks for every column of a row in turn.
    mutable std::uint64_t cachedSequence_ = UINT64_MAX;
    mutable EventText cached_;
};

}  // namespace tulex
