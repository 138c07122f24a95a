#pragma once
// The event list as the windows show it, over the session's event feed: one
// row per card or sensor event, the columns of display/EventText. Rows are
// read from the feed when they are drawn, so the list holds no copies; a
// search keeps only the sequence numbers of the matching events. A window
// asks what the feed gained (Collect), tells its table, and takes it in
// (Apply); old events dropped or the list cleared start it over.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "display/EventText.h"

namespace tulex {

class EventFeed;

// Whether text contains part, upper and lower case alike (Latin and every
// Cyrillic letter of Windows-1251). Both UTF-8; an empty part is in any text.
bool ContainsIgnoringCase(std::string_view text, std::string_view part);

class EventList {
public:
    enum Column { Time, Index, Kind, Title, Number, Direction, Data, ColumnCount };
    // "Время", "Индекс", "Вид", "Заголовок", "Номер карты", "Направление", "Данные".
    static std::string Header(int column);
    static const std::string& Cell(const EventText& text, int column);

    explicit EventList(const EventFeed& feed);

    // Rows shown: every event held, or the matches of the search.
    std::size_t RowCount() const {
        return search_.empty() ? static_cast<std::size_t>(next_ - first_) : matches_.size();
    }
    // What a row shows (row < RowCount()); an event dropped since the last
    // Apply shows empty.
    const EventText& Row(std::size_t row) const;

    // What the feed gained since the last Apply.
    struct Update {
        bool restart = false;   // the rows start over (events dropped, the list cleared)
        std::size_t added = 0;  // otherwise: rows added at the end
        std::uint64_t first = 0, next = 0;
        std::vector<std::uint64_t> matches;  // while searching: the matches to add, or all of them after a restart
    };
    Update Collect() const;
    void Apply(Update update);
    // Both at once.
    Update Refresh();

    // Shows only the events one of whose columns contains the text (case
    // ignored); an empty text shows all. The rows start over.
    void SetSearchText(const std::string& text);
    const std::string& SearchText() const { return search_; }
    // The events the list holds (whatever the search shows).
    std::size_t EventCount() const { return static_cast<std::size_t>(next_ - first_); }
    // "Событий: 12", or while searching "Найдено: 3 из 12".
    std::string CountText() const;

private:
    std::uint64_t Sequence(std::size_t row) const { return search_.empty() ? first_ + row : matches_[row]; }
    bool Matches(const EventText& text) const;
    // Appends to `out` the matching events of [from, to).
    void Scan(std::uint64_t from, std::uint64_t to, std::vector<std::uint64_t>& out) const;

    const EventFeed& feed_;
    std::uint64_t first_ = 0;  // the events shown: [first_, next_)
    std::uint64_t next_ = 0;
    std::string search_;
    std::u32string searchFolded_;         // the search in lower case, as Matches compares
    std::vector<std::uint64_t> matches_;  // while searching
    // The last row described: a table asks for every column of a row in turn.
    mutable std::uint64_t cachedSequence_ = UINT64_MAX;
    mutable EventText cached_;
};

}  // namespace tulex
