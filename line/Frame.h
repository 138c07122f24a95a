#pragma once
// Frames on the line: the addressed request, the short frame, the reserved
// bytes and the index alphabet. Frames are byte strings held in std::string.

#include <cstdint>
#include <string>
#include <string_view>

namespace tulex {

inline constexpr std::uint8_t kPrefixByte = 0xFF;  // opens every frame a master sends
inline constexpr std::uint8_t kConverterAddress = 0xFE;
inline constexpr std::uint8_t kBufferTarget = 0xFD;  // target of the buffer-clearing short frame
inline constexpr char kTerminator = '?';
inline constexpr char kAcknowledgement = '!';
inline constexpr char kPositiveReply = '$';
inline constexpr char kErrorReply = '#';
inline constexpr char kDeviceErrorReply = '&';
inline constexpr char kDataReplyMark = ':';
inline constexpr char kCardEventMark = ';';

inline constexpr std::uint8_t kFirstIndex = 0x47;                 // "G"
inline constexpr std::uint8_t kLastIndex = 0xFC;                  // Windows-1251 "ь"
inline constexpr int kIndexCount = kLastIndex - kFirstIndex + 1;  // 182

// True for the 182 controller index characters 0x47..0xFC.
constexpr bool IsIndexByte(std::uint8_t b) { return b >= kFirstIndex && b <= kLastIndex; }

// XOR of all bytes, starting from 0.
std::uint8_t CheckCharacter(std::string_view bytes);

// FF FF FF FF, index, index, command, "?", check character. The frame is cut
// at its first zero byte: a command whose bytes XOR to 0x3F goes out without
// its check character, exactly as the port would write it.
std::string BuildRequest(std::uint8_t index, std::string_view command);

// FF, target, "?" (no check character).
std::string BuildShortFrame(std::uint8_t target);

// The bytes before the first zero byte: what the port writes of a frame.
std::string_view CutAtZero(std::string_view frame);

}  // namespace tulex
