#include "controller/LineMap.h"

namespace tulex {

const std::array<std::uint8_t, kIndexCount>& LineMap::IndexTable() {
    static const auto table = [] {
        std::array<std::uint8_t, kIndexCount> t{};
        for (int k = 0; k < kIndexCount; ++k) t[k] = static_cast<std::uint8_t>(kFirstIndex + k);
        return t;
    }();
    return table;
}

bool LineMap::AddIndex(std::uint8_t index, MapSet set) {
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

bool LineMap::RemoveIndex(std::uint8_t index, MapSet set) {
    {
        std::lock_guard lock(mutex_);
        auto& bits = set == MapSet::Present ? present_ : replyOnly_;
        if (!bits.test(index)) return false;
        bits.reset(index);
    }
    Changed();
    return true;
}

bool LineMap::HasIndex(std::uint8_t index, MapSet set) const {
    std::lock_guard lock(mutex_);
    return (set == MapSet::Present ? present_ : replyOnly_).test(index);
}

void LineMap::ClearSets() {
    {
        std::lock_guard lock(mutex_);
        present_.reset();
        replyOnly_.reset();
    }
    Changed();
}

std::size_t LineMap::Count(MapSet set) const {
    std::lock_guard lock(mutex_);
    return (set == MapSet::Present ? present_ : replyOnly_).count();
}

void LineMap::SelectIndex(std::uint8_t index) {
    if (!InIndexTable(index)) return;
    {
        std::lock_guard lock(mutex_);
        if (selected_ == index) return;
        selected_ = index;
    }
    Changed();
}

std::uint8_t LineMap::SelectedIndex() const {
    std::lock_guard lock(mutex_);
    return selected_;
}

LineMap::Snapshot LineMap::Take() const {
    std::lock_guard lock(mutex_);
    return {present_, replyOnly_, selected_};
}

void LineMap::SetRepaintHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    repaint_ = std::move(handler);
}

void LineMap::Changed() const {
    std::function<void()> repaint;
    {
        std::lock_guard lock(mutex_);
        repaint = repaint_;
    }
    if (repaint) repaint();
}

}  // namespace tulex
