#include "app/Summaries.h"

#include <cstdio>

namespace tulex {

std::string DecimalText(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out(text);
    for (char& c : out) {
        if (c == '.') c = ',';
    }
    return out;
}

std::string TallyText(const ExchangeTally& tally) {
    const double percent = tally.sent > 0 ? 100.0 * tally.answered / tally.sent : 0.0;
    return "Отправлено: " + std::to_string(tally.sent) + ", ответов: " + std::to_string(tally.answered) + " (" +
           DecimalText(percent, 1) + " %), тайм-аутов: " + std::to_string(tally.timeouts);
}

std::string SearchProgressText(std::size_t probed, std::size_t total) {
    return "Поиск: " + std::to_string(probed) + " из " + std::to_string(total);
}

namespace {

std::string Seconds(std::chrono::milliseconds duration) {
    return DecimalText(static_cast<double>(duration.count()) / 1000.0, 1) + " с";
}

}  // namespace

std::string SearchSummaryText(const SearchSummary& summary, std::size_t total) {
    return "В линии: " + std::to_string(summary.present) + "\nТолько ответ: " + std::to_string(summary.replyOnly) +
           "\nПроверено: " + std::to_string(summary.probed) + " из " + std::to_string(total) +
           "\nВремя: " + Seconds(summary.duration);
}

std::string SearchSummaryLine(const SearchSummary& summary, std::size_t total) {
    return "Поиск завершен: в линии " + std::to_string(summary.present) + ", только ответ " +
           std::to_string(summary.replyOnly) + ", проверено " + std::to_string(summary.probed) + " из " +
           std::to_string(total) + ", " + Seconds(summary.duration);
}

}  // namespace tulex
