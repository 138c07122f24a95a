#include "tests/support/TracedSim.h"

#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/CliProcess.h"

namespace tulex::test {

TracedSim::TracedSim(const std::string& scenario, std::vector<std::string> options) : trace_(dir_.path() / "trace") {
    const auto scenarioPath = dir_.path() / "scenario.json";
    std::ofstream(scenarioPath) << scenario;
    options.insert(options.end(), {"--scenario", scenarioPath.string(), "--trace", trace_.string(), "--no-stdin"});
    sim_ = std::make_unique<sim::test::SimProcess>(options, dir_.path().string());
    const std::string first = sim_->FirstLine();
    if (const auto blank = first.find(' '); blank != std::string::npos) port_ = first.substr(blank + 1);
}

// A trace line of a frame from the PC: "12:00:01.234 PC>  FF FF ...  |....|  note".
std::string TracedSim::Sent() const {
    std::istringstream trace(ReadFile(trace_));
    std::string line;
    std::string bytes;
    while (std::getline(trace, line)) {
        const auto at = line.find(" PC>  ");
        if (at == std::string::npos) continue;
        const auto hexStart = at + 6;
        std::istringstream hex(line.substr(hexStart, line.find("  |", hexStart) - hexStart));
        unsigned byte = 0;
        while (hex >> std::hex >> byte) bytes += static_cast<char>(byte);
    }
    return bytes;
}

std::vector<LineFrame> TracedSim::SentRequests(const std::string& command) const {
    std::vector<LineFrame> out;
    for (auto& f : Requests(Sent()))
        if (f.command == command) out.push_back(std::move(f));
    return out;
}

std::size_t TracedSim::SettledRequests(const std::string& command, std::size_t n,
                                       std::chrono::milliseconds within) const {
    const auto deadline = std::chrono::steady_clock::now() + within;
    std::size_t count = SentRequests(command).size();
    while (count < n && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        count = SentRequests(command).size();
    }
    return count;
}

}  // namespace tulex::test
