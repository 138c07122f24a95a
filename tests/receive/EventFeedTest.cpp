// The event list and the hand-over of card and sensor events: the bounded
// store keeps what it holds intact and drops whole blocks of the oldest; the
// receive thread hands events over without waiting and without a queue of
// its own (one hand-over on its way, however many events), nothing is lost
// from the list, and a delivery shows only the newest few pop-ups and counts
// the rest.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/EventFeed.h"
#include "display/EventStore.h"
#include "display/EventText.h"
#include "tests/receive/EngineFixture.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

std::string CardData(std::size_t n) {
    // Ten digits of card number, then the two status digits.
    std::string number = std::to_string(n);
    return std::string(10 - number.size(), '0') + number + "03";
}

TEST(EventStoreTest, DropsWholeBlocksOfTheOldestAndKeepsTheRestIntact) {
    EventStore store(2 * EventStore::kBlockEvents);
    const std::size_t total = 3 * EventStore::kBlockEvents + 5;
    for (std::size_t n = 0; n < total; ++n)
        store.Append(static_cast<std::int64_t>(n), 'G', EventKind::Card, n % 2 == 0, CardData(n));
    EXPECT_EQ(store.NextSequence(), total);
    EXPECT_LE(store.Count(), store.MaxEvents());
    EXPECT_EQ(store.Count(), EventStore::kBlockEvents + 5);  // the last full block and the new one
    EXPECT_EQ(store.FirstSequence(), total - store.Count());
    for (const std::size_t i : {std::size_t{0}, std::size_t{1}, store.Count() / 2, store.Count() - 1}) {
        const StoredEvent event = store.At(i);
        EXPECT_EQ(event.sequence, store.FirstSequence() + i);
        EXPECT_EQ(event.data, CardData(event.sequence));
        EXPECT_EQ(event.timeMs, static_cast<std::int64_t>(event.sequence));
        EXPECT_EQ(event.popup, event.sequence % 2 == 0);
    }
    // What the store takes stays within its blocks: records of 16 bytes and
    // the data, reserved space included.
    EXPECT_LE(store.MemoryBytes(), 3 * EventStore::kBlockEvents * (16 + 32));

    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    store.Append(0, 'H', EventKind::Sensor, true, "1");
    EXPECT_EQ(store.At(0).sequence, total);  // numbers go on after a clear
}

TEST(EventTextTest, ColumnsOfCardAndSensorEvents) {
    struct Case {
        EventKind kind;
        std::string data;
        std::string kindText, title, number, direction;
    };
    const Case cases[] = {
        {EventKind::Card, "123456789003", "Карта", "Доступ разрешен", "1234567890", "Вход"},
        {EventKind::ChannelCard, "123456789000", "Карта (on-line)", "Доступ запрещен", "1234567890", "Выход"},
        {EventKind::ChannelCard, "123456789007", "Карта (on-line)", "Доступ разрешен (автоответ)", "1234567890",
         "Вход"},
        // Broken status digits: no decision and no direction made up.
        {EventKind::Card, "12345678900Z", "Карта", "Неверный формат данных", "1234567890", ""},
        {EventKind::Card, "", "Карта", "Неверный формат данных", "", ""},
        {EventKind::Sensor, "5\xC6", "Датчик", "Датчик", "", ""},
    };
    for (const Case& c : cases) {
        StoredEvent event;
        event.timeMs = 0;
        event.index = 0xC6;
        event.kind = c.kind;
        event.data = c.data;
        const EventText text = DescribeEvent(event);
        EXPECT_EQ(text.index, "Ж");
        EXPECT_EQ(text.kind, c.kindText) << c.data;
        EXPECT_EQ(text.title, c.title) << c.data;
        EXPECT_EQ(text.number, c.number) << c.data;
        EXPECT_EQ(text.direction, c.direction) << c.data;
    }
    StoredEvent sensor;
    sensor.kind = EventKind::Sensor;
    sensor.data = "5\xC6";
    EXPECT_EQ(DescribeEvent(sensor).data, "5Ж");
    // Milliseconds are kept: "HH:MM:SS.mmm".
    const std::string time = EventTimeText(1'700'000'000'123);
    ASSERT_EQ(time.size(), 12u);
    EXPECT_EQ(time.substr(8), ".123");
}

TEST(EventFeedTest, OneHandOverOnItsWayHoweverManyEventsComeFromAnotherThread) {
    EventFeed feed;
    constexpr std::size_t kEvents = 100'000;
    std::atomic<std::size_t> handOvers{0};
    std::thread receive([&] {
        for (std::size_t n = 0; n < kEvents; ++n) {
            if (feed.Add(static_cast<std::int64_t>(n), 'G', EventKind::Card, true, CardData(n))) ++handOvers;
        }
    });
    // The UI thread takes deliveries meanwhile, as often as it gets to it.
    std::size_t delivered = 0;
    std::size_t popups = 0;
    std::size_t skipped = 0;
    std::uint64_t lastShown = 0;
    bool ordered = true;
    auto take = [&] {
        const EventFeed::Delivery d = feed.Take(3);
        delivered += d.added;
        popups += d.popups.size();
        skipped += d.skippedPopups;
        EXPECT_LE(d.popups.size(), 3u);
        for (const StoredEvent& e : d.popups) {
            if (e.sequence < lastShown) ordered = false;
            lastShown = e.sequence;
        }
    };
    while (delivered < kEvents) {
        if (feed.HandOverPending()) take();
        std::this_thread::yield();
    }
    receive.join();
    take();
    EXPECT_EQ(delivered, kEvents);
    EXPECT_EQ(popups + skipped, kEvents);  // every event either shown or counted
    EXPECT_TRUE(ordered);
    // A hand-over is asked for only when none is on its way: never more
    // than there were deliveries to take them.
    EXPECT_GE(handOvers.load(), 1u);
    EXPECT_LE(handOvers.load(), kEvents);
    EXPECT_FALSE(feed.HandOverPending());
    // None lost from the list, in order, each with its own data.
    ASSERT_EQ(feed.Count(), kEvents);
    const EventFeed::Span held = feed.Held();
    EXPECT_EQ(held.next - held.first, kEvents);
    for (const std::uint64_t s : {held.first, held.first + 12'345, held.next - 1})
        EXPECT_EQ(feed.Find(s)->data, CardData(static_cast<std::size_t>(s)));
}

TEST(EventFeedTest, DeliveryPicksTheNewestCardsAndSensorsApartAndCountsTheOtherCards) {
    EventFeed feed;
    for (std::size_t n = 0; n < 10; ++n) feed.Add(0, 'G', EventKind::Card, true, CardData(n));
    feed.Add(0, 'H', EventKind::Sensor, true, "1");
    feed.Add(0, 'H', EventKind::Sensor, true, "2");
    feed.Add(0, 'I', EventKind::Card, false, CardData(99));  // readers off: listed, no pop-up
    EventFeed::Delivery d = feed.Take(2);
    EXPECT_EQ(d.added, 13u);
    ASSERT_EQ(d.popups.size(), 4u);
    EXPECT_EQ(d.popups[0].data, CardData(8));
    EXPECT_EQ(d.popups[1].data, CardData(9));
    EXPECT_EQ(d.popups[2].data, "1");
    EXPECT_EQ(d.popups[3].data, "2");
    EXPECT_EQ(d.skippedPopups, 8u);
    EXPECT_EQ(feed.Count(), 13u);

    // Nothing new: an empty delivery.
    d = feed.Take(2);
    EXPECT_EQ(d.added, 0u);
    EXPECT_TRUE(d.popups.empty());
    EXPECT_EQ(d.skippedPopups, 0u);

    // Without a limit (tulex-cli) every pop-up comes, and a feed that keeps
    // no events holds none after the delivery.
    feed.SetKeepEvents(false);
    for (std::size_t n = 0; n < 50; ++n) feed.Add(0, 'G', EventKind::Card, true, CardData(n));
    d = feed.Take(EventFeed::kNoLimit);
    EXPECT_EQ(d.popups.size(), 50u);
    EXPECT_EQ(d.skippedPopups, 0u);
    EXPECT_EQ(feed.Count(), 0u);
}

TEST(EventFeedTest, EventsDroppedFromAFullListBeforeTheirDeliveryAreCounted) {
    EventFeed feed(2 * EventStore::kBlockEvents);
    const std::size_t total = 5 * EventStore::kBlockEvents;
    for (std::size_t n = 0; n < total; ++n) feed.Add(0, 'G', EventKind::Card, true, CardData(n));
    const EventFeed::Delivery d = feed.Take(5);
    EXPECT_EQ(d.added, total);
    ASSERT_EQ(d.popups.size(), 5u);
    EXPECT_EQ(d.popups.back().data, CardData(total - 1));
    EXPECT_EQ(d.skippedPopups, total - 5);
    EXPECT_LE(feed.Count(), 2 * EventStore::kBlockEvents);
    EXPECT_FALSE(feed.Find(0).has_value());
}

// The session on the in-memory line: a burst of card events from the
// receive thread while the UI thread does nothing leaves one hand-over in
// the UI queue, not one per event; its delivery lists every event.
TEST_F(EngineTest, CardBurstLeavesOneHandOverAndListsEveryEvent) {
    Open();
    session->SetPopupLimit(3);
    dispatcher.ProcessPending();
    recording.Clear();
    constexpr std::size_t kEvents = 5000;
    std::string burst;
    for (std::size_t n = 0; n < kEvents; ++n) burst += "G;" + CardData(n) + "?";
    line.Inject(burst);
    for (int i = 0; i < 10'000 && session->events().Count() < kEvents; ++i) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(session->events().Count(), kEvents);
    // The UI queue holds the hand-over and the map's counter and repaint for
    // G's first event, nothing per event.
    const std::size_t queued = dispatcher.ProcessPending();
    EXPECT_LE(queued, 4u);
    EXPECT_EQ(recording.CallsOf("events").size(), 1u);
    const auto cards = Cards();
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_NE(cards.back().text.find("Номер: " + CardData(kEvents - 1).substr(0, 10)), std::string::npos);
    const auto skipped = recording.CallsOf("skipped");
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].number, static_cast<int>(kEvents - 3));
    for (const std::uint64_t s : {std::uint64_t{0}, std::uint64_t{kEvents - 1}})
        EXPECT_EQ(session->events().Find(s)->data, CardData(static_cast<std::size_t>(s)));
}

// The list keeps every event whatever the pop-up settings say.
TEST_F(EngineTest, EventListKeepsEventsWhilePopupsAreOff) {
    Open();
    session->settings().readers = false;
    session->settings().sensors = false;
    Feed("G;123456789003?H3A?");
    EXPECT_TRUE(Cards().empty());
    EXPECT_TRUE(Sensors().empty());
    ASSERT_EQ(session->events().Count(), 2u);
    const StoredEvent card = *session->events().Find(0);
    EXPECT_EQ(card.index, 'G');
    EXPECT_EQ(card.kind, EventKind::Card);
    EXPECT_FALSE(card.popup);
    EXPECT_EQ(card.data, "123456789003");
    const StoredEvent sensor = *session->events().Find(1);
    EXPECT_EQ(sensor.index, 'H');
    EXPECT_EQ(sensor.kind, EventKind::Sensor);
    EXPECT_EQ(sensor.data, "3A");
}

}  // namespace
}  // namespace tulex::test
