#pragma once
// tulex-sim as a child process on a line of the test's making (a JSON
// scenario), tracing every frame to a file: the port that tulex-cli opens,
// and what the PC sent on the line, read back from the trace.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/LineFrames.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

namespace tulex::test {

class TracedSim {
public:
    // Starts the simulator (standard input ignored) with the scenario and
    // further options.
    explicit TracedSim(const std::string& scenario, std::vector<std::string> options = {});

    // The path of the port, empty if the simulator did not come up.
    const std::string& port() const { return port_; }
    // The bytes the PC sent so far, in order, as far as the trace has them.
    std::string Sent() const;
    std::vector<LineFrame> SentRequests(const std::string& command) const;
    // Waits in real time until at least n requests of the command are in the
    // trace (the last frame tulex-cli wrote before it ended reaches the trace
    // a moment later); returns how many there are.
    std::size_t SettledRequests(const std::string& command, std::size_t n,
                                std::chrono::milliseconds within = std::chrono::seconds(5)) const;

private:
    TempDir dir_;
    std::filesystem::path trace_;
    std::unique_ptr<sim::test::SimProcess> sim_;
    std::string port_;
};

}  // namespace tulex::test
