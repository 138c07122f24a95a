// The event list the windows show over the event feed: its rows follow the
// feed without copies, start over when the feed drops or clears events, and
// its search (case ignored, Cyrillic too) keeps the matches, old and new.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/EventFeed.h"
#include "app/EventList.h"
#include "display/EventStore.h"

namespace tulex::test {
namespace {

TEST(ContainsIgnoringCase, LatinAndEveryCyrillicLetterOfWindows1251) {
    const struct {
        const char* text;
        const char* part;
        bool found;
    } cases[] = {
        {"Доступ разрешен", "РАЗРЕШЕН", true},
        {"ДОСТУП", "доступ", true},
        {"Ёлка", "ёЛК", true},
        {"Ђ Ў Џ", "ђ ў џ", true},
        {"Ґанок", "ґ", true},
        {"Card", "CARD", true},
        {"Выход", "Вход", false},
        {"Ж", "ж", true},
        {"абв", "", true},
        {"", "а", false},
        {"е", "ё", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ContainsIgnoringCase(c.text, c.part), c.found) << c.text << " / " << c.part;
}

class EventListTest : public ::testing::Test {
protected:
    void Card(std::uint8_t index, const std::string& data) {
        feed.Add(1'700'000'000'250, index, EventKind::Card, false, data);
    }
    std::vector<std::string> Numbers(const EventList& list) {
        std::vector<std::string> numbers;
        for (std::size_t row = 0; row < list.RowCount(); ++row) numbers.push_back(list.Row(row).number);
        return numbers;
    }

    EventFeed feed;
};

TEST_F(EventListTest, RowsFollowTheFeedAndStartOverWhenItIsCleared) {
    Card('G', "111111111103");
    EventList list(feed);
    ASSERT_EQ(list.RowCount(), 1u) << "what the feed held when the list opened";
    EXPECT_EQ(list.Row(0).index, "G");
    EXPECT_EQ(EventList::Cell(list.Row(0), EventList::Title), "Доступ разрешен");
    EXPECT_EQ(EventList::Header(EventList::Number), "Номер карты");

    Card(0xC6, "222222222200");
    Card('H', "333333333303");
    const EventList::Update added = list.Collect();
    EXPECT_FALSE(added.restart);
    EXPECT_EQ(added.added, 2u);
    EXPECT_EQ(list.RowCount(), 1u) << "Collect changes nothing";
    list.Apply(added);
    EXPECT_EQ(Numbers(list), (std::vector<std::string>{"1111111111", "2222222222", "3333333333"}));
    EXPECT_EQ(list.Row(1).index, "Ж");
    EXPECT_EQ(list.CountText(), "Событий: 3");
    EXPECT_EQ(list.Refresh().added, 0u) << "nothing new";

    feed.Clear();
    const EventList::Update cleared = list.Refresh();
    EXPECT_TRUE(cleared.restart);
    EXPECT_EQ(list.RowCount(), 0u);
    EXPECT_EQ(list.Row(0).number, "") << "a row past the end shows empty";
    Card('G', "444444444400");
    EXPECT_EQ(list.Refresh().added, 1u);
    EXPECT_EQ(Numbers(list), std::vector<std::string>{"4444444444"});
}

TEST_F(EventListTest, SearchKeepsTheMatchesAndTakesInNewOnes) {
    Card('G', "123456789003");   // Вход, разрешен
    Card(0xC6, "987654321000");  // Выход, запрещен
    feed.Add(1'700'000'000'250, 'H', EventKind::Sensor, false, "3A");
    Card('G', "111111111102");  // Выход, разрешен
    EventList list(feed);
    const struct {
        const char* text;
        std::vector<std::string> numbers;
    } searches[] = {
        {"РАЗРЕШЕН", {"1234567890", "1111111111"}},
        {"разрешен", {"1234567890", "1111111111"}},
        {"ж", {"9876543210"}},  // the index
        {"датчик", {""}},       // the sensor event: no card number
        {"выход", {"9876543210", "1111111111"}},
        {"нет такого", {}},
        {"", {"1234567890", "9876543210", "", "1111111111"}},
    };
    for (const auto& s : searches) {
        SCOPED_TRACE(s.text);
        list.SetSearchText(s.text);
        EXPECT_EQ(Numbers(list), s.numbers);
    }
    // A longer text narrows what the shorter one found.
    list.SetSearchText("выход");
    list.SetSearchText("выход 1111");
    EXPECT_EQ(Numbers(list), std::vector<std::string>{}) << "no column holds both words";
    list.SetSearchText("вы");
    list.SetSearchText("выход");
    EXPECT_EQ(Numbers(list), (std::vector<std::string>{"9876543210", "1111111111"}));

    // New events: only the matching ones come in.
    Card('J', "222222222202");
    Card('J', "333333333303");
    const EventList::Update update = list.Refresh();
    EXPECT_EQ(update.added, 1u);
    EXPECT_EQ(Numbers(list), (std::vector<std::string>{"9876543210", "1111111111", "2222222222"}));
    EXPECT_EQ(list.CountText(), "Найдено: 3 из 6");
}

TEST_F(EventListTest, DroppedOldEventsStartTheRowsOver) {
    EventFeed small(2 * EventStore::kBlockEvents);
    for (std::size_t n = 0; n < 2 * EventStore::kBlockEvents; ++n)
        small.Add(static_cast<std::int64_t>(n), 'G', EventKind::Card, false, "123456789003");
    EventList list(small);
    list.SetSearchText("разрешен");
    EXPECT_EQ(list.RowCount(), 2 * EventStore::kBlockEvents);
    // One more event: the oldest block goes.
    small.Add(0, 'H', EventKind::Card, false, "555555555500");
    EXPECT_EQ(list.Row(0).number, "") << "gone from the feed: empty until the refresh";
    const EventList::Update update = list.Refresh();
    EXPECT_TRUE(update.restart);
    EXPECT_EQ(list.EventCount(), EventStore::kBlockEvents + 1);
    EXPECT_EQ(list.RowCount(), EventStore::kBlockEvents) << "the matches still held";
    EXPECT_EQ(list.Row(0).number, "1234567890");
}

}  // namespace
}  // namespace tulex::test
