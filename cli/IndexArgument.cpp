#include "cli/IndexArgument.h"

#include <cstdio>

#include "cli/ConsoleView.h"
#include "controller/IndexInput.h"
#include "line/Cp1251.h"
#include "line/HexDigits.h"

namespace tulex::cli {

std::string IndexAsTyped(const std::string& argument) {
    const auto byte = ParsePrefixedHexByte(argument);
    if (!byte) return argument;
    return *byte == 0 ? std::string() : Cp1251ToUtf8(std::string(1, static_cast<char>(*byte)));
}

std::optional<std::uint8_t> ParseIndexArgument(const std::string& argument) {
    const IndexInput input = CheckIndexInput(IndexAsTyped(argument));
    if (input.accepted) return input.index;
    std::fprintf(stderr, "%s: %s\n", input.messageCaption.c_str(), TerminalSafe(input.messageText).c_str());
    return std::nullopt;
}

}  // namespace tulex::cli
