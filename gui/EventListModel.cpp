#include "gui/EventListModel.h"

#include <algorithm>

#include "app/EventFeed.h"

namespace tulex {

namespace {

constexpr std::size_t kScanChunk = 4096;  // events copied out of the feed at a time

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

EventListModel::EventListModel(const EventFeed& feed, QObject* parent) : QAbstractTableModel(parent), feed_(feed) {
    const EventFeed::Span held = feed_.Held();
    first_ = held.first;
    next_ = held.next;
}

int EventListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(search_.isEmpty() ? next_ - first_ : matches_.size());
}

int EventListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

std::uint64_t EventListModel::sequence(int row) const {
    const auto r = static_cast<std::size_t>(row);
    return search_.isEmpty() ? first_ + r : matches_[r];
}

const EventText& EventListModel::describe(int row) const {
    const std::uint64_t s = sequence(row);
    if (s != cachedSequence_) {
        // An event dropped since the last refresh shows empty until then.
        const std::optional<StoredEvent> event = feed_.Find(s);
        cached_ = event ? DescribeEvent(*event) : EventText{};
        cachedSequence_ = s;
    }
    return cached_;
}

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::TextAlignmentRole && index.column() <= Index) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const EventText& text = describe(index.row());
    switch (index.column()) {
    case Time: return Q(text.time);
    case Index: return Q(text.index);
    case Kind: return Q(text.kind);
    case Title: return Q(text.title);
    case Number: return Q(text.number);
    case Direction: return Q(text.direction);
    case Data: return Q(text.data);
    default: return {};
    }
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case Time: return QStringLiteral("Время");
    case Index: return QStringLiteral("Индекс");
    case Kind: return QStringLiteral("Вид");
    case Title: return QStringLiteral("Заголовок");
    case Number: return QStringLiteral("Номер карты");
    case Direction: return QStringLiteral("Направление");
    case Data: return QStringLiteral("Данные");
    default: return {};
    }
}

bool EventListModel::matches(const EventText& text) const {
    for (const std::string* field :
         {&text.time, &text.index, &text.kind, &text.title, &text.number, &text.direction, &text.data}) {
        if (Q(*field).contains(search_, Qt::CaseInsensitive)) return true;
    }
    return false;
}

void EventListModel::scan(std::uint64_t from, std::uint64_t to, std::vector<std::uint64_t>& out) const {
    while (from < to) {
        const std::vector<StoredEvent> events =
            feed_.CopyFrom(from, static_cast<std::size_t>(std::min<std::uint64_t>(kScanChunk, to - from)));
        if (events.empty()) return;
        for (const StoredEvent& event : events) {
            if (event.sequence >= to) return;
            if (matches(DescribeEvent(event))) out.push_back(event.sequence);
        }
        from = events.back().sequence + 1;
    }
}

void EventListModel::refresh() {
    const EventFeed::Span held = feed_.Held();
    cachedSequence_ = UINT64_MAX;
    if (held.first != first_ || held.next < next_) {
        // Old events were dropped or the list was cleared: start over.
        beginResetModel();
        first_ = held.first;
        next_ = held.next;
        matches_.clear();
        if (!search_.isEmpty()) scan(first_, next_, matches_);
        endResetModel();
        return;
    }
    if (held.next == next_) return;
    if (search_.isEmpty()) {
        beginInsertRows({}, static_cast<int>(next_ - first_), static_cast<int>(held.next - first_ - 1));
        next_ = held.next;
        endInsertRows();
        return;
    }
    std::vector<std::uint64_t> added;
    scan(next_, held.next, added);
    next_ = held.next;
    if (added.empty()) return;
    const auto rows = static_cast<int>(matches_.size());
    beginInsertRows({}, rows, rows + static_cast<int>(added.size()) - 1);
    matches_.insert(matches_.end(), added.begin(), added.end());
    endInsertRows();
}

void EventListModel::setSearchText(const QString& text) {
    if (text == search_) return;
    beginResetModel();
    cachedSequence_ = UINT64_MAX;
    // A longer text finds a part of what the shorter one found.
    const bool narrower = !search_.isEmpty() && text.contains(search_, Qt::CaseInsensitive);
    search_ = text;
    if (search_.isEmpty()) {
        matches_.clear();
    } else if (narrower) {
        std::vector<std::uint64_t> kept;
        for (const std::uint64_t s : matches_) {
            const std::optional<StoredEvent> event = feed_.Find(s);
            if (event && matches(DescribeEvent(*event))) kept.push_back(s);
        }
        matches_ = std::move(kept);
    } else {
        matches_.clear();
        scan(first_, next_, matches_);
    }
    endResetModel();
}

}  // namespace tulex
