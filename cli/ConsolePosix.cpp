#include "cli/Console.h"

#include <unistd.h>

namespace tulex::cli {

void WriteText(std::FILE* stream, std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

std::optional<std::string> ReadInputLine() {
    char buffer[256];
    if (!std::fgets(buffer, sizeof buffer, stdin)) return std::nullopt;
    return std::string(buffer);
}

bool InputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

bool IsTerminal(std::FILE* stream) { return stream && isatty(fileno(stream)) == 1; }

}  // namespace tulex::cli
