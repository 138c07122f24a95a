#include "display/EventStore.h"

#include <algorithm>
#include <limits>

namespace tulex {

namespace {

// Event data longer than this is cut: no frame of the line comes near it.
constexpr std::size_t kLongestData = std::numeric_limits<std::uint16_t>::max();

}  // namespace

EventStore::EventStore(std::size_t maxEvents)
    : maxEvents_(std::max<std::size_t>(2, (maxEvents + kBlockEvents - 1) / kBlockEvents) * kBlockEvents) {}

void EventStore::Append(std::int64_t timeMs, std::uint8_t index, EventKind kind, bool popup, std::string_view data) {
    if (blocks_.empty() || blocks_.back().records.size() == kBlockEvents) {
        if (count_ + kBlockEvents > maxEvents_) {
            // Full: the oldest block goes as a whole. Every block but the
            // last is full, so the positions of the others stay simple.
            count_ -= blocks_.front().records.size();
            blocks_.pop_front();
        }
        Block& block = blocks_.emplace_back();
        block.records.reserve(kBlockEvents);
        block.bytes.reserve(kBlockEvents * 16);
    }
    Block& block = blocks_.back();
    const std::string_view kept = data.substr(0, kLongestData);
    const auto flags = static_cast<std::uint8_t>(static_cast<std::uint8_t>(kind) | (popup ? kPopupFlag : 0));
    block.records.push_back({timeMs, static_cast<std::uint32_t>(block.bytes.size()),
                             static_cast<std::uint16_t>(kept.size()), index, flags});
    block.bytes.append(kept);
    ++count_;
    ++nextSequence_;
}

void EventStore::Clear() {
    blocks_.clear();
    count_ = 0;
}

const EventStore::Block& EventStore::BlockOf(std::size_t i) const {
    // Blocks go whole and every block but the last is full, so event i is
    // in block i / kBlockEvents.
    return blocks_[i / kBlockEvents];
}

const EventStore::EventRecord& EventStore::Record(std::size_t i) const { return BlockOf(i).records[i % kBlockEvents]; }

std::string_view EventStore::DataAt(std::size_t i) const {
    const Block& block = BlockOf(i);
    const EventRecord& r = block.records[i % kBlockEvents];
    return std::string_view(block.bytes).substr(r.dataOffset, r.dataLength);
}

StoredEvent EventStore::At(std::size_t i) const {
    const EventRecord& r = Record(i);
    StoredEvent event;
    event.sequence = FirstSequence() + i;
    event.timeMs = r.timeMs;
    event.index = r.index;
    event.kind = static_cast<EventKind>(r.flags & ~kPopupFlag);
    event.popup = (r.flags & kPopupFlag) != 0;
    event.data = std::string(DataAt(i));
    return event;
}

std::size_t EventStore::MemoryBytes() const {
    std::size_t bytes = 0;
    for (const Block& block : blocks_) bytes += block.records.capacity() * sizeof(EventRecord) + block.bytes.capacity();
    return bytes;
}

}  // namespace tulex
