#pragma once
// The closing figures of the long commands, for the balloon, the monitor and
// tulex-cli: how many requests the line and relay tests sent and how many
// were answered, and what the controller search found in how much time.

#include <chrono>
#include <cstddef>
#include <string>

namespace tulex {

// A decimal number with a decimal comma, as the window writes numbers
// ("99,2"); `decimals` digits after the comma.
std::string DecimalText(double value, int decimals);

// The requests of a repeating test.
struct ExchangeTally {
    int sent = 0;
    int answered = 0;  // with "!" or "$"
    int timeouts = 0;
};

// "Отправлено: 120, ответов: 119 (99,2 %), тайм-аутов: 1".
std::string TallyText(const ExchangeTally& tally);

// The end of the search: how many controllers it found and how long it took.
struct SearchSummary {
    std::size_t present = 0;
    std::size_t replyOnly = 0;
    std::size_t probed = 0;
    std::chrono::milliseconds duration{0};
};

// "Поиск: 12 из 182".
std::string SearchProgressText(std::size_t probed, std::size_t total);
// "В линии: 5\nТолько ответ: 1\nПроверено: 182 из 182\nВремя: 54,6 с" (balloon).
std::string SearchSummaryText(const SearchSummary& summary, std::size_t total);
// "Поиск завершен: в линии 5, только ответ 1, проверено 182 из 182, 54,6 с" (monitor, one line).
std::string SearchSummaryLine(const SearchSummary& summary, std::size_t total);

inline constexpr const char* kSearchSummaryTitle = "Поиск завершен";

}  // namespace tulex
