#pragma once
// Texts both windows show beside the line map: the connection indicator of
// the status bar and the note on the newest card pop-up that counts the card
// events which got no pop-up of their own.

#include <cstddef>
#include <string>

#include "app/View.h"

namespace tulex {

// "Порт закрыт" before the first open; then "COM1, 9600 бит/с: открыт",
// "COM1: закрыт" or "COM1: связь потеряна".
std::string ConnectionText(const Connection& connection);

// "+3 событий"; empty for none.
std::string SkippedPopupsNote(std::size_t count);

}  // namespace tulex
