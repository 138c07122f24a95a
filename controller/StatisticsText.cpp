#include "controller/StatisticsText.h"

#include <cstdio>
#include <ctime>

#include "line/Cp1251.h"
#include "line/LocalTime.h"

namespace tulex {
namespace {

std::string IndexText(std::uint8_t index) { return Cp1251ToUtf8(std::string(1, static_cast<char>(index))); }

// An index character as a JSON string: only the backslash among them needs
// an escape.
std::string JsonIndex(std::uint8_t index) {
    std::string text = IndexText(index);
    if (text == "\\" || text == "\"") text.insert(text.begin(), '\\');
    return "\"" + text + "\"";
}

std::string Number(std::uint64_t n) { return std::to_string(n); }

std::string JsonMilliseconds(std::optional<double> ms) {
    if (!ms) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", *ms);
    return text;
}

std::string LastHeardText(const ControllerFigures& f, Clock::TimePoint engineNow,
                          std::chrono::system_clock::time_point wallNow) {
    return f.lastHeard ? TimeOfDayText(*f.lastHeard, engineNow, wallNow) : std::string();
}

// One row of figures as the table and the CSV have them, in column order.
std::vector<std::string> Row(const ControllerFigures& f, Clock::TimePoint engineNow,
                             std::chrono::system_clock::time_point wallNow) {
    std::vector<std::string> row{IndexText(f.index), LastHeardText(f, engineNow, wallNow),
                                 f.lastHeard ? std::string(HeardKindName(f.lastKind)) : std::string()};
    for (const HeardKind kind : kHeardKinds) row.push_back(Number(f.Received(kind)));
    row.push_back(Number(f.requests));
    row.push_back(Number(f.timeouts));
    for (const auto ms : {f.ReplyMinMs(), f.ReplyMeanMs(), f.ReplyMaxMs()})
        row.push_back(ms ? JsonMilliseconds(ms) : std::string());
    return row;
}

}  // namespace

std::string TimeOfDayText(Clock::TimePoint at, Clock::TimePoint engineNow,
                          std::chrono::system_clock::time_point wallNow) {
    const auto wall = wallNow - std::chrono::duration_cast<std::chrono::system_clock::duration>(engineNow - at);
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch());
    long long millis = sinceEpoch.count() % 1000;
    if (millis < 0) millis += 1000;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(wall - std::chrono::milliseconds(millis)));
    const std::tm tm = ToLocalTime(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03lld", tm.tm_hour, tm.tm_min, tm.tm_sec, millis);
    return text;
}

std::string TimeOfDayText(Clock::TimePoint at, const Clock& clock) {
    return TimeOfDayText(at, clock.Now(), std::chrono::system_clock::now());
}

std::string HeardKindText(HeardKind kind) {
    switch (kind) {
    case HeardKind::Ack: return "подтверждение";
    case HeardKind::Positive: return "положительный ответ";
    case HeardKind::Error: return "ответ с ошибкой";
    case HeardKind::Data: return "данные";
    case HeardKind::Card: return "карта";
    case HeardKind::Sensor: return "датчик";
    case HeardKind::Poll: return "опрос";
    }
    return {};
}

std::string MillisecondsText(std::optional<double> ms) {
    if (!ms) return "—";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", *ms);
    return text;
}

std::string FiguresToolTip(const ControllerFigures& f, const Clock& clock) {
    std::string text = "Контроллер " + IndexText(f.index) + "\n";
    text += "Последний раз: ";
    text += f.lastHeard ? TimeOfDayText(*f.lastHeard, clock) + ", " + HeardKindText(f.lastKind) : std::string("—");
    text += "\nПринято: " + Number(f.ReceivedTotal()) + " (подтверждений " + Number(f.Received(HeardKind::Ack)) +
            ", положительных " + Number(f.Received(HeardKind::Positive)) + ", ошибок " +
            Number(f.Received(HeardKind::Error)) + ", данных " + Number(f.Received(HeardKind::Data)) + ")";
    text += "\nКарт: " + Number(f.Received(HeardKind::Card)) + ", датчиков: " + Number(f.Received(HeardKind::Sensor));
    text += "\nЗапросов: " + Number(f.requests) + ", тайм-аутов: " + Number(f.timeouts);
    text += "\nОтвет, мс: мин " + MillisecondsText(f.ReplyMinMs()) + ", сред " + MillisecondsText(f.ReplyMeanMs()) +
            ", макс " + MillisecondsText(f.ReplyMaxMs());
    return text;
}

std::vector<std::string> StatisticsColumns() {
    std::vector<std::string> columns{"index", "last_heard", "last_kind"};
    for (const HeardKind kind : kHeardKinds) columns.emplace_back(HeardKindName(kind));
    for (const char* name : {"requests", "timeouts", "reply_min_ms", "reply_mean_ms", "reply_max_ms"})
        columns.emplace_back(name);
    return columns;
}

std::string StatisticsTable(const std::vector<ControllerFigures>& figures, const Clock& clock) {
    const auto engineNow = clock.Now();
    const auto wallNow = std::chrono::system_clock::now();
    std::vector<std::vector<std::string>> rows{StatisticsColumns()};
    for (const ControllerFigures& f : figures) rows.push_back(Row(f, engineNow, wallNow));
    // Column widths in characters (UTF-8 continuation bytes take no room).
    const auto width = [](const std::string& s) {
        std::size_t n = 0;
        for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return n;
    };
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width(row[c]));
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string cell = row[c].empty() ? "-" : row[c];
            if (c > 0) line += "  ";
            line += cell;
            if (c + 1 < row.size()) line.append(widths[c] - width(cell), ' ');
        }
        text += line + "\n";
    }
    return text;
}

std::string StatisticsJson(const std::vector<ControllerFigures>& figures, const Clock& clock) {
    const auto engineNow = clock.Now();
    const auto wallNow = std::chrono::system_clock::now();
    std::string json = "{\"event\": \"stats\", \"controllers\": {";
    bool first = true;
    for (const ControllerFigures& f : figures) {
        if (!first) json += ", ";
        first = false;
        json += JsonIndex(f.index) + ": {\"last_heard\": ";
        json += f.lastHeard ? "\"" + TimeOfDayText(*f.lastHeard, engineNow, wallNow) + "\"" : std::string("null");
        json += ", \"last_kind\": ";
        json += f.lastHeard ? "\"" + std::string(HeardKindName(f.lastKind)) + "\"" : std::string("null");
        json += ", \"received\": {";
        for (std::size_t k = 0; k < kHeardKindCount; ++k) {
            if (k > 0) json += ", ";
            json += "\"" + std::string(HeardKindName(kHeardKinds[k])) + "\": " + Number(f.received[k]);
        }
        json += "}, \"requests\": " + Number(f.requests) + ", \"timeouts\": " + Number(f.timeouts);
        json += ", \"reply_ms\": {\"min\": " + JsonMilliseconds(f.ReplyMinMs()) +
                ", \"mean\": " + JsonMilliseconds(f.ReplyMeanMs()) + ", \"max\": " + JsonMilliseconds(f.ReplyMaxMs()) +
                "}}";
    }
    json += "}}";
    return json;
}

std::string StatisticsCsv(const std::vector<ControllerFigures>& figures, const Clock& clock) {
    const auto engineNow = clock.Now();
    const auto wallNow = std::chrono::system_clock::now();
    std::string csv = "\xEF\xBB\xBF";
    const auto appendRow = [&csv](const std::vector<std::string>& row) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) csv += ';';
            // The only field that could hold ";" or a quote is the index.
            const bool quote = row[c].find_first_of(";\"") != std::string::npos;
            if (!quote) {
                csv += row[c];
                continue;
            }
            csv += '"';
            for (const char ch : row[c]) csv += ch == '"' ? std::string("\"\"") : std::string(1, ch);
            csv += '"';
        }
        csv += "\r\n";
    };
    appendRow(StatisticsColumns());
    for (const ControllerFigures& f : figures) appendRow(Row(f, engineNow, wallNow));
    return csv;
}

namespace {

// The kind counted by each of the received-frame columns.
HeardKind KindOfColumn(StatisticsColumn column) {
    return kHeardKinds[static_cast<std::size_t>(static_cast<int>(column) - static_cast<int>(StatisticsColumn::Acks))];
}

bool CountsFrames(StatisticsColumn column) {
    return column >= StatisticsColumn::Acks && column <= StatisticsColumn::Polls;
}

}  // namespace

std::string StatisticsHeader(StatisticsColumn column) {
    static const char* const kHeaders[kStatisticsColumnCount] = {
        "Индекс",  "Последний раз", "Кадр",    "Подтв.",    "Полож.",        "Ошибки",         "Данные",        "Карты",
        "Датчики", "Опросы",        "Запросы", "Тайм-ауты", "Ответ мин, мс", "Ответ сред, мс", "Ответ макс, мс"};
    const int c = static_cast<int>(column);
    return c >= 0 && c < kStatisticsColumnCount ? kHeaders[c] : "";
}

std::string StatisticsHint(StatisticsColumn column) {
    static const char* const kHints[kStatisticsColumnCount] = {
        "Индекс контроллера",
        "Когда контроллер был слышен последний раз",
        "Последний принятый от него кадр",
        "Подтверждения «!»",
        "Положительные ответы «$»",
        "Ответы с ошибкой «#»",
        "Ответы с данными",
        "События карт",
        "События датчиков",
        "Опросы индекса преобразователем",
        "Запросы, отправленные контроллеру",
        "Запросы без ответа",
        "Время ответа: от записи запроса до первого байта ответа",
        "Время ответа: среднее",
        "Время ответа: наибольшее"};
    const int c = static_cast<int>(column);
    return c >= 0 && c < kStatisticsColumnCount ? kHints[c] : "";
}

bool StatisticsAlignedLeft(StatisticsColumn column) { return column <= StatisticsColumn::LastKind; }

std::string StatisticsCell(const ControllerFigures& f, StatisticsColumn column, const Clock& clock) {
    switch (column) {
    case StatisticsColumn::Index: return IndexText(f.index);
    case StatisticsColumn::LastHeard: return f.lastHeard ? TimeOfDayText(*f.lastHeard, clock) : "—";
    case StatisticsColumn::LastKind: return f.lastHeard ? HeardKindText(f.lastKind) : "—";
    case StatisticsColumn::Requests: return Number(f.requests);
    case StatisticsColumn::Timeouts: return Number(f.timeouts);
    case StatisticsColumn::ReplyMin: return MillisecondsText(f.ReplyMinMs());
    case StatisticsColumn::ReplyMean: return MillisecondsText(f.ReplyMeanMs());
    case StatisticsColumn::ReplyMax: return MillisecondsText(f.ReplyMaxMs());
    default: break;
    }
    return CountsFrames(column) ? Number(f.Received(KindOfColumn(column))) : std::string();
}

bool StatisticsLess(const ControllerFigures& a, const ControllerFigures& b, StatisticsColumn column) {
    // Nothing known sorts before any value.
    const auto optionalLess = [](const auto& x, const auto& y) { return !x ? bool(y) : y && *x < *y; };
    switch (column) {
    case StatisticsColumn::Index: return a.index < b.index;
    case StatisticsColumn::LastHeard: return optionalLess(a.lastHeard, b.lastHeard);
    case StatisticsColumn::LastKind:
        if (!a.lastHeard || !b.lastHeard) return !a.lastHeard && b.lastHeard;
        return a.lastKind < b.lastKind;
    case StatisticsColumn::Requests: return a.requests < b.requests;
    case StatisticsColumn::Timeouts: return a.timeouts < b.timeouts;
    case StatisticsColumn::ReplyMin: return optionalLess(a.ReplyMinMs(), b.ReplyMinMs());
    case StatisticsColumn::ReplyMean: return optionalLess(a.ReplyMeanMs(), b.ReplyMeanMs());
    case StatisticsColumn::ReplyMax: return optionalLess(a.ReplyMaxMs(), b.ReplyMaxMs());
    default: break;
    }
    return CountsFrames(column) && a.Received(KindOfColumn(column)) < b.Received(KindOfColumn(column));
}

}  // namespace tulex
