#pragma once
// What the engine wrote, cut into frames, and the frames of the line as the
// tests spell them.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tulex::test {

struct LineFrame {
    enum class Kind { Request, Short };
    Kind kind = Kind::Request;
    std::uint8_t index = 0;                      // request: the index; short frame: the target byte
    std::string command;                         // request: the command text
    std::string bytes;                           // the frame exactly as written
    std::chrono::steady_clock::time_point at{};  // when it was written (the in-memory line's clock)

    bool IsPoll(std::uint8_t target) const { return kind == Kind::Short && index == target; }
    bool IsRequest(const std::string& text) const { return kind == Kind::Request && command == text; }
};

// A master's frames start with a run of FF; bytes outside a frame and an
// unfinished frame at the end are left out.
std::vector<LineFrame> SplitFrames(std::string_view written);
std::vector<LineFrame> Requests(std::string_view written);

inline constexpr std::uint8_t kG = 0x47;
inline constexpr std::uint8_t kH = 0x48;

// The bytes of a request as the engine must write it.
std::string Request(std::uint8_t index, const std::string& command);
// The buffer-clearing frame and the poll of one controller.
inline const std::string kClear = "\xFF\xFD?";
inline std::string Poll(std::uint8_t index) { return std::string("\xFF") + static_cast<char>(index) + "?"; }

// Frames of a controller.
inline std::string Ack() { return "!"; }
inline std::string Positive() { return "$?"; }
inline std::string ErrorReply() { return "#?"; }
inline std::string DataReply(std::uint8_t index, const std::string& data) {
    return std::string(1, static_cast<char>(index)) + ":" + data + "?";
}

// On a line in real time (tulex-cli against tulex-sim) the buffer-clearing
// pass (clear frame, then poll) repeats every 100 ms until the controller
// answers the poll, and a loaded machine may deliver a prompt answer after the
// pass has ended, so a test that expects one pass must accept several: these
// fold each run of identical passes into one.
std::string FoldClearPasses(std::string bytes);
// The same for monitor descriptions: consecutive repeats of the pair
// "... Чистка буфера контроллера", "... Запрос контроллера" become one pair.
std::vector<std::string> FoldClearPassLines(std::vector<std::string> lines);

}  // namespace tulex::test
