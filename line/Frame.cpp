#include "line/Frame.h"

namespace tulex {

std::uint8_t CheckCharacter(std::string_view bytes) {
    std::uint8_t x = 0;
    for (const char c : bytes) x ^= static_cast<std::uint8_t>(c);
    return x;
}

std::string BuildRequest(std::uint8_t index, std::string_view command) {
    std::string frame(4, static_cast<char>(kPrefixByte));
    frame.push_back(static_cast<char>(index));
    frame.push_back(static_cast<char>(index));
    frame.append(command);
    frame.push_back(kTerminator);
    frame.push_back(static_cast<char>(CheckCharacter(frame)));
    return std::string(CutAtZero(frame));
}

std::string BuildShortFrame(std::uint8_t target) {
    std::string frame;
    frame.push_back(static_cast<char>(kPrefixByte));
    frame.push_back(static_cast<char>(target));
    frame.push_back(kTerminator);
    return std::string(CutAtZero(frame));
}

std::string_view CutAtZero(std::string_view frame) {
    const auto zero = frame.find('\0');
    return zero == std::string_view::npos ? frame : frame.substr(0, zero);
}

}  // namespace tulex
