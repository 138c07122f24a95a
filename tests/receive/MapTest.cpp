// The line map's sets: transitions, the index table, and concurrent use by
// the receive thread, a worker and the UI thread (run under TSan too).

#include "controller/LineMap.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tulex {
namespace {

TEST(MapSets, AddRemoveAndTheIndexTable) {
    LineMap map;
    int repaints = 0;
    map.SetRepaintHandler([&] { ++repaints; });
    EXPECT_TRUE(map.AddIndex('G', MapSet::Present));
    EXPECT_FALSE(map.AddIndex('G', MapSet::Present));   // already there: no change
    EXPECT_FALSE(map.AddIndex(0x46, MapSet::Present));  // outside the index table
    EXPECT_FALSE(map.AddIndex(0xFD, MapSet::ReplyOnly));
    EXPECT_TRUE(map.AddIndex(0xFC, MapSet::ReplyOnly));
    EXPECT_EQ(map.Count(MapSet::Present), 1u);
    EXPECT_EQ(map.Count(MapSet::ReplyOnly), 1u);
    EXPECT_EQ(repaints, 2);
    EXPECT_TRUE(map.RemoveIndex('G', MapSet::Present));
    EXPECT_FALSE(map.RemoveIndex('G', MapSet::Present));
    EXPECT_EQ(repaints, 3);
    map.ClearSets();
    EXPECT_EQ(map.Count(MapSet::ReplyOnly), 0u);
    EXPECT_EQ(LineMap::IndexTable().size(), 182u);
    EXPECT_EQ(LineMap::IndexTable().front(), 0x47);
    EXPECT_EQ(LineMap::IndexTable().back(), 0xFC);
}

TEST(MapSets, ConcurrentChangesAreNeverLost) {
    // Three threads share the map's bit words: the receive thread works on
    // the lower indexes, a worker on the upper ones, the UI thread paints.
    // A lost update would leave a final set that differs from the expected
    // one; TSan reports any unguarded access.
    LineMap map;
    std::atomic<int> repaints{0};
    map.SetRepaintHandler([&] { repaints.fetch_add(1, std::memory_order_relaxed); });
    std::atomic<bool> stop{false};
    std::atomic<int> badSnapshots{0};
    constexpr int kRounds = 300;

    std::thread receiver([&] {
        for (int round = 0; round < kRounds; ++round)
            for (int i = 0x47; i < 0xA0; ++i) {
                const auto index = static_cast<std::uint8_t>(i);
                map.AddIndex(index, MapSet::Present);  // heard directly
                map.RemoveIndex(index, MapSet::ReplyOnly);
                if (i % 2) map.RemoveIndex(index, MapSet::Present);  // polled again
            }
    });
    std::thread worker([&] {
        for (int round = 0; round < kRounds; ++round)
            for (int i = 0xA0; i <= 0xFC; ++i) {
                const auto index = static_cast<std::uint8_t>(i);
                if (!map.HasIndex(index, MapSet::Present)) map.AddIndex(index, MapSet::ReplyOnly);
                if (i % 4 == 0) map.RemoveIndex(index, MapSet::ReplyOnly);
                map.SelectIndex(index);
            }
    });
    std::thread painter([&] {
        while (!stop) {
            const LineMap::Snapshot s = map.Take();
            if (s.selected < 0x47 || s.selected > 0xFC || (s.present & s.replyOnly).any()) ++badSnapshots;
            (void)map.Count(MapSet::Present);
        }
    });
    receiver.join();
    worker.join();
    stop = true;
    painter.join();

    std::bitset<256> present;
    std::bitset<256> replyOnly;
    for (int i = 0x47; i < 0xA0; ++i)
        if (i % 2 == 0) present.set(i);
    for (int i = 0xA0; i <= 0xFC; ++i)
        if (i % 4 != 0) replyOnly.set(i);
    const LineMap::Snapshot end = map.Take();
    EXPECT_EQ(end.present, present);
    EXPECT_EQ(end.replyOnly, replyOnly);
    EXPECT_EQ(end.selected, 0xFC);
    EXPECT_EQ(map.Count(MapSet::Present), present.count());
    EXPECT_EQ(badSnapshots.load(), 0);
    EXPECT_GT(repaints.load(), 0);
}

}  // namespace
}  // namespace tulex
