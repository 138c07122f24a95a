#include "display/LineStore.h"

#include <algorithm>
#include <cstdio>

namespace tulex {

std::optional<std::uint16_t> LineStore::PrefixId(std::string_view prefix) {
    // Lines come in long runs with one of a handful of prefixes.
    if (prefixes_[lastPrefix_] == prefix) return lastPrefix_;
    if (const auto found = prefixIds_.find(prefix); found != prefixIds_.end()) return lastPrefix_ = found->second;
    if (prefixes_.size() == kMaxPrefixes) return std::nullopt;
    const auto id = static_cast<std::uint16_t>(prefixes_.size());
    prefixIds_.emplace(prefixes_.emplace_back(prefix), id);
    return lastPrefix_ = id;
}

void LineStore::Append(Stamp stamp, std::string_view prefix, std::string_view text, MonitorTag tag,
                       std::uint16_t millis) {
    std::uint16_t prefixId = 0;
    std::string joined;
    if (const auto id = PrefixId(prefix)) {
        prefixId = *id;
    } else {
        // No room for another prefix: the line keeps it in its own text.
        joined.assign(prefix).append(text);
        text = joined;
    }
    text = text.substr(0, kLongestText);
    if (arenas_.empty() || arenas_.back().size() + text.size() > arenas_.back().capacity()) {
        arenas_.emplace_back();
        arenas_.back().reserve(std::max(kArenaBytes, text.size()));
    }
    std::string& arena = arenas_.back();
    entries_.push_back({arenas_.size() - 1, arena.size(), prefixId});
    arena.append(text);
    details_.push_back({static_cast<std::uint16_t>(millis % 1000), tag});
    if (stamps_.empty() || stamps_.back().stamp != stamp) stamps_.push_back({entries_.size() - 1, stamp});
}

void LineStore::Clear() {
    arenas_.clear();
    entries_.clear();
    details_.clear();
    prefixes_.assign(1, std::string());
    prefixIds_ = {{std::string_view(), 0}};
    lastPrefix_ = 0;
    stamps_.clear();
}

std::string_view LineStore::Text(std::size_t i) const {
    const Entry e = entries_[i];
    const std::string& arena = arenas_[e.arena];
    // A line ends where the next one in its arena begins, or at the arena's end.
    std::size_t end = arena.size();
    if (i + 1 < entries_.size() && entries_[i + 1].arena == e.arena) end = entries_[i + 1].offset;
    return std::string_view(arena).substr(e.offset, end - e.offset);
}

LineStore::Stamp LineStore::StampOf(std::size_t i) const {
    const auto run = std::upper_bound(stamps_.begin(), stamps_.end(), i,
                                      [](std::size_t line, const StampRun& r) { return line < r.firstLine; });
    return std::prev(run)->stamp;
}

void LineStore::AppendLineTo(std::string& out, std::size_t i, bool withMillis) const {
    if (i >= entries_.size()) return;
    const Stamp s = StampOf(i);
    char stamp[24];
    if (withMillis)
        std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u", s >> 12, s >> 6 & 63u, s & 63u,
                      static_cast<unsigned>(details_[i].millis));
    else
        std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u", s >> 12, s >> 6 & 63u, s & 63u);
    out.append(stamp);
    out.append(prefixes_[entries_[i].prefix]);
    out.append(Text(i));
}

std::string LineStore::Line(std::size_t i, bool withMillis) const {
    std::string line;
    AppendLineTo(line, i, withMillis);
    return line;
}

void LineStore::Matching(const MonitorFilter& filter, std::size_t from, std::vector<std::uint32_t>& out) const {
    if (from >= details_.size()) return;
    std::uint32_t i = static_cast<std::uint32_t>(from);
    for (auto it = details_.begin() + static_cast<std::ptrdiff_t>(from); it != details_.end(); ++it, ++i)
        if (filter.Passes(it->tag)) out.push_back(i);
}

std::size_t LineStore::MemoryBytes() const {
    std::size_t bytes = entries_.size() * (sizeof(Entry) + sizeof(Detail)) + stamps_.capacity() * sizeof(StampRun);
    for (const std::string& a : arenas_) bytes += a.capacity();
    for (const std::string& p : prefixes_) bytes += 2 * sizeof(std::string) + p.capacity();
    return bytes;
}

}  // namespace tulex
