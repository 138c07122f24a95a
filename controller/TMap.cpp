#include "controller/TMap.h"

namespace tulex {

TMap::TMap() { Layout(Geometry{}); }

const std::array<std::uint8_t, kIndexCount>& TMap::IndexTable() {
    static const auto table = [] {
        std::array<std::uint8_t, kIndexCount> t{};
        for (int k = 0; k < kIndexCount; ++k) t[k] = static_cast<std::uint8_t>(kFirstIndex + k);
        return t;
    }();
    return table;
}

void TMap::Layout(const Geometry& geometry) {
    geometry_ = geometry;
    // 1-based column and row counters walk the table row by row.
    int c = 1;
    int r = 1;
    for (int k = 0; k < kIndexCount; ++k) {
        anchors_[k] = {c * (geometry.columnWidth + 1) + geometry.left - 5,
                       r * (geometry.rowHeight + 1) + geometry.top - 5};
        if (++c > geometry.columns) {
            ++r;
            c = 1;
        }
    }
}

TMap::Point TMap::Anchor(std::uint8_t index) const {
    if (!InIndexTable(index)) return {};
    return anchors_[index - kFirstIndex];
}

bool TMap::AddIndex(std::uint8_t index, MapSet set) {
    if (!InIndexTable(index)) return false;
    {
        std::lock_guard lock(mutex_);
        auto& bits = set == MapSet::Present ? present_ : replyOnly_;
        if (bits.test(index)) return false;
        bits.set(index);
    }
    Changed();
    return true;
}

bool TMap::RemoveIndex(std::uint8_t index, MapSet set) {
    {
        std::lock_guard lock(mutex_);
        auto& bits = set == MapSet::Present ? present_ : replyOnly_;
        if (!bits.test(index)) return false;
        bits.reset(index);
    }
    Changed();
    return true;
}

bool TMap::HasIndex(std::uint8_t index, MapSet set) const {
    std::lock_guard lock(mutex_);
    return (set == MapSet::Present ? present_ : replyOnly_).test(index);
}

void TMap::ClearSets() {
    {
        std::lock_guard lock(mutex_);
        present_.reset();
        replyOnly_.reset();
    }
    Changed();
}

std::size_t TMap::Count(MapSet set) const {
    std::lock_guard lock(mutex_);
    return (set == MapSet::Present ? present_ : replyOnly_).count();
}

void TMap::SelectIndex(std::uint8_t index) {
    if (!InIndexTable(index)) return;
    {
        std::lock_guard lock(mutex_);
        if (selected_ == index) return;
        selected_ = index;
    }
    Changed();
}

std::uint8_t TMap::SelectedIndex() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

TMap::Snapshot TMap::Take() const {
    std::lock_guard lock(mutex_);
    return {present_, replyOnly_, selected_};
}

void TMap::SetRepaintHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    repaint_ = std::move(handler);
}

void TMap::Changed() const {
    std::function<void()> repaint;
    {
        std::lock_guard lock(mutex_);
        repaint = repaint_;
    }
    if (repaint) repaint();
}

}  // namespace tulex
