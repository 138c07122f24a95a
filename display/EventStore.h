#pragma once
// The event list's store: every card and sensor event the line delivered,
// in little memory and with a bound. Each event is a 16-byte record (time,
// index, kind, where its data starts) and its data bytes; records and bytes
// live in blocks of kBlockEvents events, and when the store holds
// kMaxEvents the oldest block goes as a whole. Events keep their sequence
// number (0 for the first event ever stored) across Clear and the dropping
// of old blocks, so a reader can tell what is new and what is gone.
// Not thread-safe: app/EventFeed guards it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tulex {

enum class EventKind : std::uint8_t {
    Card,         // a card event: the card data as the controller sent it
    ChannelCard,  // an on-line request: the card data plus the two status digits added here
    Sensor,       // a sensor event: its data
};

struct StoredEvent {
    std::uint64_t sequence = 0;
    std::int64_t timeMs = 0;  // milliseconds since the epoch (system clock)
    std::uint8_t index = 0;   // the controller's index character (line byte)
    EventKind kind = EventKind::Card;
    bool popup = false;  // the setting of its kind asked for a pop-up when it came
    std::string data;    // Windows-1251 bytes
};

class EventStore {
public:
    static constexpr std::size_t kBlockEvents = std::size_t{1} << 14;
    static constexpr std::size_t kDefaultMaxEvents = 16 * kBlockEvents;  // 262 144

    // maxEvents is rounded up to whole blocks (at least two).
    explicit EventStore(std::size_t maxEvents = kDefaultMaxEvents);

    void Append(std::int64_t timeMs, std::uint8_t index, EventKind kind, bool popup, std::string_view data);
    // Forgets every event; sequence numbers go on.
    void Clear();

    // Events held now, and the sequence numbers of the first held and of the next to come.
    std::size_t Count() const { return count_; }
    std::uint64_t FirstSequence() const { return nextSequence_ - count_; }
    std::uint64_t NextSequence() const { return nextSequence_; }

    // Event i of those held (0 = the oldest held); i < Count().
    StoredEvent At(std::size_t i) const;
    // Only what a search or a scan needs, without copying the data.
    std::uint8_t IndexAt(std::size_t i) const { return Record(i).index; }
    bool PopupAt(std::size_t i) const { return (Record(i).flags & kPopupFlag) != 0; }
    EventKind KindAt(std::size_t i) const { return static_cast<EventKind>(Record(i).flags & ~kPopupFlag); }
    std::string_view DataAt(std::size_t i) const;

    // The bytes the store takes (records and data, reserved space included).
    std::size_t MemoryBytes() const;
    std::size_t MaxEvents() const { return maxEvents_; }

private:
    static constexpr std::uint8_t kPopupFlag = 0x80;
    struct EventRecord {
        std::int64_t timeMs;
        std::uint32_t dataOffset;  // in the block's bytes
        std::uint16_t dataLength;
        std::uint8_t index;
        std::uint8_t flags;  // kind in the low bits, kPopupFlag
    };
    static_assert(sizeof(EventRecord) == 16);
    struct Block {
        std::vector<EventRecord> records;
        std::string bytes;
    };

    const EventRecord& Record(std::size_t i) const;
    const Block& BlockOf(std::size_t i) const;

    std::size_t maxEvents_;
    std::deque<Block> blocks_;
    std::size_t count_ = 0;
    std::uint64_t nextSequence_ = 0;
};

}  // namespace tulex
