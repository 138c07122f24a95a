#include "tests/wine/SimLine.h"

namespace tulex::test {

SimLine::SimLine(const std::vector<std::string>& args) : sim_(args, dir_.path().string()) {
    // "SIM1 /dev/pts/7"
    const std::string first = sim_.FirstLine();
    const auto blank = first.find(' ');
    if (blank != std::string::npos) pty_ = first.substr(blank + 1);
}

}  // namespace tulex::test
