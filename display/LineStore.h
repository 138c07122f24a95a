#pragma once
// The monitor's lines in little memory: each line's text bytes in one of a
// few large arenas, an 8-byte index entry per line (where its text starts and
// which shared prefix it has) and 4 bytes more (its milliseconds and what it
// is, for the filter), and the time stamps as runs (one entry per second
// that saw a line). The prefix is what many lines share verbatim
// ("   COM1   ——>   "): it is stored once. A short line costs its text
// bytes plus 12; a million acknowledgements about 14 MB.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "display/MonitorLineKind.h"

namespace tulex {

// Which lines the monitor shows: the kinds ticked, and one controller index
// or any (0).
struct MonitorFilter {
    std::uint8_t kinds = kAllMonitorLineKinds;
    std::uint8_t index = 0;

    bool ShowsAll() const { return kinds == kAllMonitorLineKinds && index == 0; }
    bool Passes(MonitorTag tag) const {
        return (kinds & static_cast<std::uint8_t>(tag.kind)) != 0 && (index == 0 || tag.index == index);
    }
};

class LineStore {
public:
    // The "HH:MM:SS" stamp packed as hour << 12 | minute << 6 | second, so
    // that any clock reading (a leap second's :60 too) prints as it was.
    using Stamp = std::uint32_t;
    static constexpr Stamp PackStamp(int hour, int minute, int second) {
        return static_cast<Stamp>(hour) << 12 | static_cast<Stamp>(minute & 63) << 6 | static_cast<Stamp>(second & 63);
    }

    // millis: the milliseconds within the stamp's second (0..999), shown
    // only when asked for; tag: what the line is, for the filter.
    void Append(Stamp stamp, std::string_view prefix, std::string_view text, MonitorTag tag = {},
                std::uint16_t millis = 0);
    void Clear();

    std::size_t Count() const { return entries_.size(); }
    // "HH:MM:SS" (or "HH:MM:SS.mmm"), the prefix and the text of line i
    // (nothing past the end).
    std::string Line(std::size_t i, bool withMillis = false) const;
    // The same appended to out, for the save's buffer.
    void AppendLineTo(std::string& out, std::size_t i, bool withMillis = false) const;
    MonitorTag Tag(std::size_t i) const { return i < details_.size() ? details_[i].tag : MonitorTag{}; }
    // Appends to out the numbers of the lines from `from` on that the filter
    // passes.
    void Matching(const MonitorFilter& filter, std::size_t from, std::vector<std::uint32_t>& out) const;
    // The bytes the store holds (arenas, index, prefixes and time runs).
    std::size_t MemoryBytes() const;

private:
    // 24 bits of arena, 24 bits of offset in it, 16 bits of prefix.
    struct Entry {
        std::uint64_t arena : 24;
        std::uint64_t offset : 24;
        std::uint64_t prefix : 16;
    };
    // 4 bytes more a line: the milliseconds and the filter's tag.
    struct Detail {
        std::uint16_t millis;
        MonitorTag tag;
    };
    struct StampRun {
        std::size_t firstLine;
        Stamp stamp;
    };
    static constexpr std::size_t kArenaBytes = std::size_t{1} << 20;
    static constexpr std::size_t kLongestText = (std::size_t{1} << 24) - 1;
    static constexpr std::size_t kMaxPrefixes = std::size_t{1} << 16;

    // The prefix's number; nothing when the table is full.
    std::optional<std::uint16_t> PrefixId(std::string_view prefix);
    std::string_view Text(std::size_t i) const;
    Stamp StampOf(std::size_t i) const;

    std::vector<std::string> arenas_;                  // each filled up to its reserved size
    std::deque<Entry> entries_;                        // grows in blocks: no doubling slack
    std::deque<Detail> details_;                       // one per entry
    std::deque<std::string> prefixes_{std::string()};  // a deque: the views below stay valid
    std::unordered_map<std::string_view, std::uint16_t> prefixIds_{{std::string_view(), 0}};
    std::uint16_t lastPrefix_ = 0;
    std::vector<StampRun> stamps_;
};

}  // namespace tulex
