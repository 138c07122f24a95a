#pragma once
// tulex-sim on a pseudo-terminal of its own, for one run of a program: its
// standard input stays open for commands (a card event, a burst).

#include <string>
#include <vector>

#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

namespace tulex::test {

class SimLine {
public:
    explicit SimLine(const std::vector<std::string>& args);
    // The slave path of its pseudo-terminal; empty if it did not come up.
    const std::string& pty() const { return pty_; }
    sim::test::SimProcess& process() { return sim_; }

private:
    TempDir dir_;  // its announcement goes here, not into the user's folder
    sim::test::SimProcess sim_;
    std::string pty_;
};

}  // namespace tulex::test
