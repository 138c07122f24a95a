#pragma once
// The hand-over of card and sensor events from the receive thread to the UI
// thread, and the event list they stay in.
//
// The receive thread appends each event to a bounded store (display/
// EventStore) under a short lock and never waits for the UI thread: there is
// no queue of hand-overs, only a flag. The first event after a delivery asks
// for one hand-over (Add returns true); later events ride along with it, so
// however fast events come, at most one hand-over is on its way. The UI
// thread then takes what is new (Take): only the newest few that want a
// pop-up are copied out, the others are counted. Nothing is lost from the
// list until it holds its maximum, when the oldest events go first.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "display/EventStore.h"

namespace tulex {

class EventFeed {
public:
    static constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

    struct Delivery {
        // The newest card events and, apart from them, the newest sensor
        // events that want a pop-up, each at most the limit, oldest first.
        std::vector<StoredEvent> popups;
        // Card events that wanted a pop-up but are not among them. (A sensor
        // pop-up replaces the one before: older sensor events are not counted.)
        std::size_t skippedPopups = 0;
        std::size_t added = 0;  // events stored since the last delivery
    };

    explicit EventFeed(std::size_t maxEvents = EventStore::kDefaultMaxEvents);

    // Any thread. True when this event asks for a hand-over (none was on its way).
    bool Add(std::int64_t timeMs, std::uint8_t index, EventKind kind, bool popup, std::string_view data);
    // UI thread: what came since the last Take, with at most popupLimit
    // card pop-ups and popupLimit sensor pop-ups.
    Delivery Take(std::size_t popupLimit);
    // Whether a hand-over is on its way (taken by the next Take).
    bool HandOverPending() const;

    // Whether delivered events stay in the list (the window's default).
    // tulex-cli prints each event as it comes and keeps none.
    void SetKeepEvents(bool keep);
    // Empties the list (events not delivered yet included).
    void Clear();

    // The list, for its view. Events are known by their sequence number;
    // the receive thread may add (and drop the oldest) between any two calls.
    struct Span {
        std::uint64_t first = 0;  // the oldest held
        std::uint64_t next = 0;   // the next to come; next - first are held
    };
    Span Held() const;
    std::size_t Count() const;
    // The event with that number, if it is still held.
    std::optional<StoredEvent> Find(std::uint64_t sequence) const;
    // Up to count events from that number on (from the oldest held if it is gone).
    std::vector<StoredEvent> CopyFrom(std::uint64_t sequence, std::size_t count) const;
    std::size_t MemoryBytes() const;

private:
    mutable std::mutex mutex_;
    EventStore store_;
    std::uint64_t delivered_ = 0;        // sequence number of the next event to deliver
    std::size_t cardPopupsWaiting_ = 0;  // card events since the last Take that want a pop-up
    bool handOverPending_ = false;
    bool keepEvents_ = true;
};

}  // namespace tulex
