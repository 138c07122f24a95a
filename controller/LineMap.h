#pragma once
// The line map's model: the index table, the present set (green), the
// reply-only set (grey) and the selected index. The receive thread, a worker
// and the UI thread change it at once, so every operation takes the map's
// lock; no index is ever in both sets. Where the cells stand on screen is the
// window's business (gui/LineMapWidget).

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

#include "line/Frame.h"

namespace tulex {

enum class MapSet { Present, ReplyOnly };

class LineMap {
public:
    // What a painter needs, taken under the lock in one go.
    struct Snapshot {
        std::bitset<256> present;
        std::bitset<256> replyOnly;
        std::uint8_t selected = kFirstIndex;
    };

    // The index characters in order, kFirstIndex to kLastIndex.
    static const std::array<std::uint8_t, kIndexCount>& IndexTable();
    // Membership in the index table.
    static bool InIndexTable(std::uint8_t index) { return IsIndexByte(index); }

    // Adds an index of the index table that is not yet in the set.
    bool AddIndex(std::uint8_t index, MapSet set);
    // Removes the index; true if it was there.
    bool RemoveIndex(std::uint8_t index, MapSet set);
    bool HasIndex(std::uint8_t index, MapSet set) const;
    void ClearSets();
    std::size_t Count(MapSet set) const;

    void SelectIndex(std::uint8_t index);
    std::uint8_t SelectedIndex() const;

    Snapshot Take() const;

    // Called after every change of a set or the selection (any thread, the
    // lock not held): the window repaints the map.
    void SetRepaintHandler(std::function<void()> handler);

private:
    void Changed() const;

    mutable std::mutex mutex_;
    std::bitset<256> present_;
    std::bitset<256> replyOnly_;
    std::uint8_t selected_ = kFirstIndex;
    std::function<void()> repaint_;
};

}  // namespace tulex
