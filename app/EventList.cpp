#include "app/EventList.h"

#include <algorithm>

#include "app/EventFeed.h"

namespace tulex {

namespace {

constexpr std::size_t kScanChunk = 4096;  // events copied out of the feed at a time

// The next code point of UTF-8 text at `at` (moved past it); a stray byte
// stands for itself.
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 1;
    if (at + length > text.size()) length = 1;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) c = c << 6 | (byte(at + i) & 0x3F);
    at += length;
    return c;
}

// Lower case of the letters Windows-1251 can carry: Latin, Russian and the
// other Cyrillic letters (Ё, Ђ..Џ, Ґ).
char32_t Lower(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c == 0x490) return 0x491;
    return c;
}

std::u32string Folded(std::string_view text) {
    std::u32string folded;
    folded.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) folded.push_back(Lower(NextCodePoint(text, at)));
    return folded;
}

}  // namespace

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    return Folded(text).find(Folded(part)) != std::u32string::npos;
}

std::string EventList::Header(int column) {
    switch (column) {
    case Time: return "Время";
    case Index: return "Индекс";
    case Kind: return "Вид";
    case Title: return "Заголовок";
    case Number: return "Номер карты";
    case Direction: return "Направление";
    case Data: return "Данные";
    default: return {};
    }
}

const std::string& EventList::Cell(const EventText& text, int column) {
    static const std::string none;
    switch (column) {
    case Time: return text.time;
    case Index: return text.index;
    case Kind: return text.kind;
    case Title: return text.title;
    case Number: return text.number;
    case Direction: return text.direction;
    case Data: return text.data;
    default: return none;
    }
}

EventList::EventList(const EventFeed& feed) : feed_(feed) {
    const EventFeed::Span held = feed_.Held();
    first_ = held.first;
    next_ = held.next;
}

const EventText& EventList::Row(std::size_t row) const {
    static const EventText none;
    if (row >= RowCount()) return none;
    const std::uint64_t s = Sequence(row);
    if (s != cachedSequence_) {
        const std::optional<StoredEvent> event = feed_.Find(s);
        cached_ = event ? DescribeEvent(*event) : EventText{};
        cachedSequence_ = s;
    }
    return cached_;
}

bool EventList::Matches(const EventText& text) const {
    for (int column = 0; column < ColumnCount; ++column)
        if (Folded(Cell(text, column)).find(searchFolded_) != std::u32string::npos) return true;
    return false;
}

void EventList::Scan(std::uint64_t from, std::uint64_t to, std::vector<std::uint64_t>& out) const {
    while (from < to) {
        const std::vector<StoredEvent> events =
            feed_.CopyFrom(from, static_cast<std::size_t>(std::min<std::uint64_t>(kScanChunk, to - from)));
        if (events.empty()) return;
        for (const StoredEvent& event : events) {
            if (event.sequence >= to) return;
            if (Matches(DescribeEvent(event))) out.push_back(event.sequence);
        }
        from = events.back().sequence + 1;
    }
}

EventList::Update EventList::Collect() const {
    const EventFeed::Span held = feed_.Held();
    Update update;
    update.first = held.first;
    update.next = held.next;
    if (held.first != first_ || held.next < next_) {
        update.restart = true;
        if (!search_.empty()) Scan(held.first, held.next, update.matches);
        return update;
    }
    if (search_.empty()) {
        update.added = static_cast<std::size_t>(held.next - next_);
    } else {
        Scan(next_, held.next, update.matches);
        update.added = update.matches.size();
    }
    return update;
}

void EventList::Apply(Update update) {
    cachedSequence_ = UINT64_MAX;
    first_ = update.first;
    next_ = update.next;
    if (update.restart) {
        matches_ = std::move(update.matches);
        return;
    }
    matches_.insert(matches_.end(), update.matches.begin(), update.matches.end());
}

EventList::Update EventList::Refresh() {
    Update update = Collect();
    Apply(update);
    return update;
}

void EventList::SetSearchText(const std::string& text) {
    if (text == search_) return;
    cachedSequence_ = UINT64_MAX;
    // A longer text finds a part of what the shorter one found.
    const bool narrower = !search_.empty() && ContainsIgnoringCase(text, search_);
    search_ = text;
    searchFolded_ = Folded(text);
    if (search_.empty()) {
        matches_.clear();
    } else if (narrower) {
        std::vector<std::uint64_t> kept;
        for (const std::uint64_t s : matches_) {
            const std::optional<StoredEvent> event = feed_.Find(s);
            if (event && Matches(DescribeEvent(*event))) kept.push_back(s);
        }
        matches_ = std::move(kept);
    } else {
        matches_.clear();
        Scan(first_, next_, matches_);
    }
}

std::string EventList::CountText() const {
    if (!search_.empty()) return "Найдено: " + std::to_string(RowCount()) + " из " + std::to_string(EventCount());
    return "Событий: " + std::to_string(EventCount());
}

}  // namespace tulex
