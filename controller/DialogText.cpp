#include "controller/DialogText.h"

namespace tulex {

namespace {
bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }
}  // namespace

std::string TrimDialogText(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlankOrControl(text[begin])) ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace tulex
