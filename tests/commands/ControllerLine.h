#pragma once
// The controllers' side of a pseudo-terminal line, played by a test: a
// thread cuts what the engine writes into addressed requests and short
// frames, records them with their arrival time and answers each through the
// test's script.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "line/HexDigits.h"
#include "tests/support/Pty.h"

namespace tulex::test {

struct LineFrame {
    enum class Kind { Request, Short };
    Kind kind = Kind::Request;
    std::uint8_t index = 0;  // request: the index; short frame: the target byte
    std::string command;     // request: the command text
    std::string bytes;       // the frame exactly as it came
    std::chrono::steady_clock::time_point at;

    bool IsPoll(std::uint8_t target) const { return kind == Kind::Short && index == target; }
    bool IsRequest(const std::string& text) const { return kind == Kind::Request && command == text; }
};

class ControllerLine {
public:
    // The bytes to send back for a frame (empty: silence).
    using Script = std::function<std::string(const LineFrame& frame)>;

    explicit ControllerLine(Pty& pty);
    ~ControllerLine();
    ControllerLine(const ControllerLine&) = delete;
    ControllerLine& operator=(const ControllerLine&) = delete;

    void SetScript(Script script);

    std::vector<LineFrame> Frames() const;
    std::vector<LineFrame> Requests() const;
    std::string Bytes() const;  // everything the engine wrote, in order

private:
    void Run();
    void Parse(std::vector<std::string>& replies);

    Pty& pty_;
    mutable std::mutex mutex_;
    Script script_;
    std::string pending_;
    std::string all_;
    std::vector<LineFrame> frames_;
    bool stop_ = false;
    std::thread thread_;
};

// Frames of a controller.
inline std::string Ack() { return "!"; }
inline std::string Positive() { return "$0?"; }
inline std::string ErrorReply() { return "#0?"; }
inline std::string DataReply(std::uint8_t index, const std::string& data) {
    return std::string(1, static_cast<char>(index)) + ":" + data + "?";
}

inline constexpr std::uint8_t kG = 0x47;
inline constexpr std::uint8_t kH = 0x48;

// The bytes of a request as the engine must write it.
std::string Request(std::uint8_t index, const std::string& command);
// The buffer-clearing frame and the poll of one controller.
inline const std::string kClear = "\xFF\xFD?";
inline std::string Poll(std::uint8_t index) { return std::string("\xFF") + static_cast<char>(index) + "?"; }

// The buffer-clearing pass (clear frame, then poll) repeats every 100 ms until
// the controller answers the poll. A loaded machine may deliver a prompt
// answer after the pass has ended, so a test that expects one pass must accept
// several: these fold each run of identical passes into one.
std::string FoldClearPasses(std::string bytes);
// The same for monitor descriptions: consecutive repeats of the pair
// "... Чистка буфера контроллера", "... Запрос контроллера" become one pair.
std::vector<std::string> FoldClearPassLines(std::vector<std::string> lines);

}  // namespace tulex::test
