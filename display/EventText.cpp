#include "display/EventText.h"

#include <cstdio>
#include <ctime>

#include "display/CardText.h"
#include "line/Cp1251.h"
#include "line/LocalTime.h"

namespace tulex {

std::string EventTimeText(std::int64_t timeMs) {
    const std::int64_t seconds = timeMs >= 0 ? timeMs / 1000 : (timeMs - 999) / 1000;
    const int millis = static_cast<int>(timeMs - seconds * 1000);
    const std::tm tm = ToLocalTime(static_cast<std::time_t>(seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, millis);
    return text;
}

EventText DescribeEvent(const StoredEvent& event) {
    EventText text;
    text.time = EventTimeText(event.timeMs);
    const char index = static_cast<char>(event.index);
    text.index = Cp1251ToUtf8(std::string_view(&index, 1));
    text.data = Cp1251ToUtf8(event.data);
    if (event.kind == EventKind::Sensor) {
        text.kind = "Датчик";
        text.title = "Датчик";
        return text;
    }
    text.kind = event.kind == EventKind::ChannelCard ? "Карта (on-line)" : "Карта";
    CardSummary card = SummarizeCard(event.data);
    text.title = std::move(card.title);
    text.number = std::move(card.number);
    text.direction = std::move(card.direction);
    return text;
}

}  // namespace tulex
