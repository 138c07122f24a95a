#include "app/EventFeed.h"

#include <algorithm>

namespace tulex {

EventFeed::EventFeed(std::size_t maxEvents) : store_(maxEvents) {}

bool EventFeed::Add(std::int64_t timeMs, std::uint8_t index, EventKind kind, bool popup, std::string_view data) {
    std::lock_guard lock(mutex_);
    store_.Append(timeMs, index, kind, popup, data);
    if (popup && kind != EventKind::Sensor) ++cardPopupsWaiting_;
    if (handOverPending_) return false;
    handOverPending_ = true;
    return true;
}

EventFeed::Delivery EventFeed::Take(std::size_t popupLimit) {
    Delivery delivery;
    std::lock_guard lock(mutex_);
    handOverPending_ = false;
    const std::uint64_t next = store_.NextSequence();
    delivery.added = static_cast<std::size_t>(next - delivered_);
    // Events dropped from a full store before their delivery count as skipped.
    const std::uint64_t from = std::max(delivered_, store_.FirstSequence());
    const std::size_t firstNew = static_cast<std::size_t>(from - store_.FirstSequence());
    // From the newest back, only as far as the limits need: the newest card
    // pop-ups and, apart from them, the newest sensor pop-ups (a sensor
    // pop-up replaces the one before, so older ones would not be seen).
    std::vector<std::size_t> chosen;
    std::size_t cards = 0;
    std::size_t sensors = 0;
    for (std::size_t i = store_.Count(); i > firstNew && (cards < popupLimit || sensors < popupLimit); --i) {
        if (!store_.PopupAt(i - 1)) continue;
        std::size_t& taken = store_.KindAt(i - 1) == EventKind::Sensor ? sensors : cards;
        if (taken == popupLimit) continue;
        ++taken;
        chosen.push_back(i - 1);
    }
    delivery.popups.reserve(chosen.size());
    for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) delivery.popups.push_back(store_.At(*it));
    delivery.skippedPopups = cardPopupsWaiting_ - cards;
    cardPopupsWaiting_ = 0;
    delivered_ = next;
    if (!keepEvents_) store_.Clear();
    return delivery;
}

bool EventFeed::HandOverPending() const {
    std::lock_guard lock(mutex_);
    return handOverPending_;
}

void EventFeed::SetKeepEvents(bool keep) {
    std::lock_guard lock(mutex_);
    keepEvents_ = keep;
}

void EventFeed::Clear() {
    // The operator empties the list: what was not delivered yet goes too.
    std::lock_guard lock(mutex_);
    store_.Clear();
    delivered_ = store_.NextSequence();
    cardPopupsWaiting_ = 0;
}

EventFeed::Span EventFeed::Held() const {
    std::lock_guard lock(mutex_);
    return {store_.FirstSequence(), store_.NextSequence()};
}

std::size_t EventFeed::Count() const {
    std::lock_guard lock(mutex_);
    return store_.Count();
}

std::optional<StoredEvent> EventFeed::Find(std::uint64_t sequence) const {
    std::lock_guard lock(mutex_);
    if (sequence < store_.FirstSequence() || sequence >= store_.NextSequence()) return std::nullopt;
    return store_.At(static_cast<std::size_t>(sequence - store_.FirstSequence()));
}

std::vector<StoredEvent> EventFeed::CopyFrom(std::uint64_t sequence, std::size_t count) const {
    std::lock_guard lock(mutex_);
    std::vector<StoredEvent> out;
    const std::uint64_t first = std::max(sequence, store_.FirstSequence());
    const std::uint64_t end = std::min<std::uint64_t>(store_.NextSequence(), first + count);
    for (std::uint64_t s = first; s < end; ++s)
        out.push_back(store_.At(static_cast<std::size_t>(s - store_.FirstSequence())));
    return out;
}

std::size_t EventFeed::MemoryBytes() const {
    std::lock_guard lock(mutex_);
    return store_.MemoryBytes();
}

}  // namespace tulex
