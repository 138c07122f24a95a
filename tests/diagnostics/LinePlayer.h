#pragma once
// The controllers' side of a pseudo-terminal line, played by a test: a thread
// cuts what the engine writes into request frames and short frames, records
// them with their arrival time, and answers each through a script.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Pty.h"

namespace tulex::test {

struct SeenFrame {
    enum class Kind { Request, Short };
    Kind kind = Kind::Request;
    std::uint8_t index = 0;  // request: the index; short frame: the target byte
    std::string command;     // request only
    std::string bytes;       // the frame exactly as it came
    std::chrono::steady_clock::time_point at;
};

class LinePlayer {
public:
    // Returns the bytes to send back for a frame (empty: silence).
    using Script = std::function<std::string(const SeenFrame& frame)>;

    explicit LinePlayer(Pty& pty);
    ~LinePlayer();
    LinePlayer(const LinePlayer&) = delete;
    LinePlayer& operator=(const LinePlayer&) = delete;

    void SetScript(Script script);
    // Sends bytes on the line now (from the test thread).
    void Send(const std::string& bytes);

    std::vector<SeenFrame> Frames() const;
    std::vector<SeenFrame> Requests() const;  // request frames only
    std::string Bytes() const;                // everything received, in order
    // Waits until at least n request frames arrived.
    bool WaitForRequests(std::size_t n, std::chrono::milliseconds within);

private:
    void Run();
    void Parse();

    Pty& pty_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    Script script_;
    std::string pending_;
    std::string all_;
    std::vector<SeenFrame> frames_;
    bool stop_ = false;
    std::thread thread_;
};

// Frames of the controllers.
inline std::string Ack() { return "!"; }
inline std::string Positive() { return "$?"; }
inline std::string ErrorReply() { return "#?"; }
inline std::string DataReply(std::uint8_t index, const std::string& data) {
    return std::string(1, static_cast<char>(index)) + ":" + data + "?";
}

}  // namespace tulex::test
