#pragma once
// What the event list shows of one card or sensor event, column by column
// (UTF-8): the time with milliseconds, the index character, the kind, the
// title (the card pop-up's decision, "Датчик" for a sensor), the card
// number, the direction, and the data as it came.

#include <string>

#include "display/EventStore.h"

namespace tulex {

struct EventText {
    std::string time;       // "HH:MM:SS.mmm", local time
    std::string index;      // "G", "Ж", "ь"
    std::string kind;       // "Карта", "Карта (on-line)", "Датчик"
    std::string title;      // "Доступ разрешен", ..., "Датчик"
    std::string number;     // the card number (empty for a sensor)
    std::string direction;  // "Вход", "Выход" or empty
    std::string data;       // the event data
};

EventText DescribeEvent(const StoredEvent& event);

// "HH:MM:SS.mmm" in local time of milliseconds since the epoch.
std::string EventTimeText(std::int64_t timeMs);

}  // namespace tulex
