#pragma once
// Cuts the byte stream from the line into frames, one byte at a time.
//
// A frame is its prefix run (the 0xFF bytes a master puts in front; empty for
// what controllers and the converter send) followed by its frame text. The
// first byte after the prefix run decides how far the text goes:
//   0xFD, 0xFE, "$", "#", "&", an index character, "0"-"9"/"A"-"F":
//       everything up to and including the next "?"; after a prefix run, a
//       converter frame (0xFE) and an index-led frame longer than two bytes
//       also take the check character that follows the "?";
//   "!" and every other byte: that byte alone.
// Nothing is checked (lengths, check character, index presence): a lost "?"
// merges frames, and the merged text is what the reader hands on. A frame
// that reaches the limit (kMaxFrameBytes unless the reader is given a smaller
// one) without completing is handed on as it stands (kind Overflow) and the
// reader starts afresh, so noise without a "?" can never make it grow without
// bound.
//
// Pure and allocation-free once warmed up: the buffer keeps its capacity from
// frame to frame.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tulex {

enum class FrameKind {
    BufferTarget,     // 0xFD: a buffer-clearing short frame (echoed)
    Converter,        // 0xFE: a frame to the converter (echoed)
    Acknowledgement,  // "!"
    PositiveReply,    // "$...?"
    ErrorReply,       // "#...?"
    IndexLed,         // index character ... "?": replies, events, polls, requests
    DeviceError,      // "&...?"
    ConverterData,    // "0"-"9" or "A"-"F" ... "?": a converter data reply
    Other,            // any other byte, alone
    Overflow,         // the limit reached without completing
};

class FrameReader {
public:
    static constexpr std::size_t kMaxFrameBytes = 64 * 1024;

    // No frame is longer than maxFrameBytes (at least 1). The line's reader
    // takes the default; the frame fuzz target cuts at small limits, so that
    // its short inputs reach them.
    explicit FrameReader(std::size_t maxFrameBytes = kMaxFrameBytes);
    std::size_t maxFrameBytes() const { return maxFrameBytes_; }

    // The row a first byte selects (after the prefix run).
    static FrameKind KindOf(std::uint8_t firstByte);

    // Takes the next byte. True when it completed a frame, which stays
    // readable through kind()/prefix()/text()/raw() until the next Feed.
    bool Feed(std::uint8_t byte);

    // Drops a partial frame (the port was closed in its middle).
    void Reset();

    // True while a frame has begun but is not complete.
    bool InFrame() const { return !complete_ && !buffer_.empty(); }

    FrameKind kind() const { return kind_; }
    std::string_view prefix() const { return std::string_view(buffer_).substr(0, prefixLength_); }
    std::string_view text() const { return std::string_view(buffer_).substr(prefixLength_); }
    // Prefix run followed by the frame text: what the monitor shows.
    std::string_view raw() const { return buffer_; }

private:
    enum class State { First, Prefix, Collect, Check };

    bool Begin(std::uint8_t byte);
    bool Complete();
    bool CheckOverflow();

    std::size_t maxFrameBytes_;
    std::string buffer_;
    std::size_t prefixLength_ = 0;
    State state_ = State::First;
    FrameKind kind_ = FrameKind::Other;
    bool complete_ = false;
};

// The bytes of a frame text from `from` up to its first "?" (the data of a
// reply or event; the whole rest when there is no "?").
std::string_view DataBeforeTerminator(std::string_view text, std::size_t from);

}  // namespace tulex
