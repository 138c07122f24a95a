#pragma once
// The card pop-up's title and text, built from a card event's data.
//
// Event data (Windows-1251 bytes): the card number in positions 0-9, the
// first and second status digits in positions 10 and 11 (hexadecimal, either
// case), and, in the 20-character layout, the address in positions 16-19.
// A channel card event's data ends in the two digits the receive thread
// appended ("07", "01", "06", "00").
//
// Data that cannot carry a decision (empty, shorter than 12 characters, or a
// status character that is not a hexadecimal digit) gets the title
// "Неверный формат данных": an access decision is never made up from missing
// or broken digits. The text then shows what did arrive ("Данные: ..."), so
// the operator still sees the card; for empty data it is empty.

#include <string>
#include <string_view>

namespace tulex {

struct CardText {
    std::string title;  // UTF-8
    std::string text;   // UTF-8, lines separated by single line feeds
};

CardText BuildCardText(std::string_view eventData);

// What the event list shows of a card event: the pop-up's title, the card
// number (positions 0-9, as far as they came) and the direction ("Вход" or
// "Выход"; empty when the status digits are missing or broken).
struct CardSummary {
    std::string title;      // UTF-8
    std::string number;     // UTF-8
    std::string direction;  // UTF-8
};

CardSummary SummarizeCard(std::string_view eventData);

}  // namespace tulex
