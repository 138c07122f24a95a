#pragma once
// tulex-cli's edge to the terminal. Text is UTF-8 inside the program. On a
// Windows console it goes out and comes in as UTF-16, so Russian shows and
// can be typed whatever the console's code page; to files and pipes it goes
// as the UTF-8 bytes, the same as on Linux.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace tulex::cli {

// Writes the text to the stream in one piece and flushes it.
void WriteText(std::FILE* stream, std::string_view utf8);

// One line typed on standard input (UTF-8, its line end kept); nullopt at
// the end of the input.
std::optional<std::string> ReadInputLine();

// True when standard input is a terminal, so that a question can be asked.
bool InputIsTerminal();

// True when the stream is a terminal (a progress line may be rewritten in place).
bool IsTerminal(std::FILE* stream);

}  // namespace tulex::cli
