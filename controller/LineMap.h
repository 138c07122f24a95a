#pragma once
// The line map's model: the index table, the cell anchors, the present set
// (green), the reply-only set (grey) and the selected index. The receive
// thread, a worker and the UI thread change it at once, so every operation
// takes the map's lock; no index is ever in both sets.

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
    struct Point {
        int x = 0;
        int y = 0;
        friend bool operator==(const Point&, const Point&) = default;
    };
    struct Geometry {
        int left = 8, top = 80, rows = 7, columns = 26, rowHeight = 25, columnWidth = 25;
        int width() const { return columns * 1 + columns * columnWidth + 1; }
        int height() const { return rows * 1 + rows * rowHeight + 1; }
    };
    // What a painter needs, taken under the lock in one go.
    struct Snapshot {
        std::bitset<256> present;
        std::bitset<256> replyOnly;
        std::uint8_t selected = kFirstIndex;
    };

    // Laid out with the main window's fixed geometry.
    LineMap();

    // Sets the geometry and builds the index table and the cell anchors.
    void Layout(const Geometry& geometry);
    const Geometry& geometry() const { return geometry_; }

    // The 182 index characters in order.
    static const std::array<std::uint8_t, kIndexCount>& IndexTable();
    // Membership in the index table.
    static bool InIndexTable(std::uint8_t index) { return IsIndexByte(index); }
    // Cell of an index in the table: row, column.
    int RowOf(std::uint8_t index) const { return (index - kFirstIndex) / geometry_.columns; }
    int ColumnOf(std::uint8_t index) const { return (index - kFirstIndex) % geometry_.columns; }

    // Point near the lower right corner of the index's cell, in the main
    // window's client coordinates; pop-ups and the command menu stand there.
    Point Anchor(std::uint8_t index) const;

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

    Geometry geometry_;
    std::array<Point, kIndexCount> anchors_{};
    mutable std::mutex mutex_;
    std::bitset<256> present_;
    std::bitset<256> replyOnly_;
    std::uint8_t selected_ = kFirstIndex;
    std::function<void()> repaint_;
};

}  // namespace tulex
