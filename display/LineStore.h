#pragma once
// The monitor's lines in little memory: each line's text bytes in one of a
// few large arenas, an 8-byte index entry per line (where its text starts and
// which shared prefix it has), and the time stamps as runs (one entry per
// second that saw a line). The prefix is what many lines share verbatim
// ("   COM1   ——>   "): it is stored once. A short line costs its text
// bytes plus 8; a million acknowledgements about 10 MB.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tulex {

class LineStore {
public:
    // The "HH:MM:SS" stamp packed as hour << 12 | minute << 6 | second, so
    // that any clock reading (a leap second's :60 too) prints as it was.
    using Stamp = std::uint32_t;
    static constexpr Stamp PackStamp(int hour, int minute, int second) {
        return static_cast<Stamp>(hour) << 12 | static_cast<Stamp>(minute & 63) << 6 | static_cast<Stamp>(second & 63);
    }

    void Append(Stamp stamp, std::string_view prefix, std::string_view text);
    void Clear();

    std::size_t Count() const { return entries_.size(); }
    // "HH:MM:SS", the prefix and the text of line i (nothing past the end).
    std::string Line(std::size_t i) const;
    // The same appended to out, for the save's buffer.
    void AppendLineTo(std::string& out, std::size_t i) const;
    // The bytes the store holds (arenas, index, prefixes and time runs).
    std::size_t MemoryBytes() const;

private:
    // 24 bits of arena, 24 bits of offset in it, 16 bits of prefix.
    struct Entry {
        std::uint64_t arena : 24;
        std::uint64_t offset : 24;
        std::uint64_t prefix : 16;
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
    std::deque<std::string> prefixes_{std::string()};  // a deque: the views below stay valid
    std::unordered_map<std::string_view, std::uint16_t> prefixIds_{{std::string_view(), 0}};
    std::uint16_t lastPrefix_ = 0;
    std::vector<StampRun> stamps_;
};

}  // namespace tulex
