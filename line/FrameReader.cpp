#include "line/FrameReader.h"

#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex {

FrameReader::FrameReader(std::size_t maxFrameBytes) : maxFrameBytes_(maxFrameBytes > 0 ? maxFrameBytes : 1) {}

FrameKind FrameReader::KindOf(std::uint8_t b) {
    // In the order of the routing table (no two rows share a byte).
    if (b == kBufferTarget) return FrameKind::BufferTarget;
    if (b == kConverterAddress) return FrameKind::Converter;
    if (b == static_cast<std::uint8_t>(kAcknowledgement)) return FrameKind::Acknowledgement;
    if (b == static_cast<std::uint8_t>(kPositiveReply)) return FrameKind::PositiveReply;
    if (b == static_cast<std::uint8_t>(kErrorReply)) return FrameKind::ErrorReply;
    if (IsIndexByte(b)) return FrameKind::IndexLed;
    if (b == static_cast<std::uint8_t>(kDeviceErrorReply)) return FrameKind::DeviceError;
    if (IsLineHexDigit(static_cast<char>(b))) return FrameKind::ConverterData;
    return FrameKind::Other;
}

void FrameReader::Reset() {
    buffer_.clear();  // keeps its capacity
    prefixLength_ = 0;
    state_ = State::First;
    complete_ = false;
}

bool FrameReader::Complete() {
    complete_ = true;
    return true;
}

bool FrameReader::CheckOverflow() {
    if (buffer_.size() < maxFrameBytes_) return false;
    kind_ = FrameKind::Overflow;
    return Complete();
}

bool FrameReader::Begin(std::uint8_t byte) {
    buffer_.push_back(static_cast<char>(byte));
    kind_ = KindOf(byte);
    if (kind_ == FrameKind::Acknowledgement || kind_ == FrameKind::Other) return Complete();
    state_ = State::Collect;
    return CheckOverflow();
}

bool FrameReader::Feed(std::uint8_t byte) {
    if (complete_) Reset();
    switch (state_) {
    case State::First:
        if (byte != kPrefixByte) return Begin(byte);
        buffer_.push_back(static_cast<char>(byte));
        prefixLength_ = 1;
        state_ = State::Prefix;
        return CheckOverflow();
    case State::Prefix:
        if (byte != kPrefixByte) return Begin(byte);
        buffer_.push_back(static_cast<char>(byte));
        ++prefixLength_;
        return CheckOverflow();
    case State::Collect: {
        buffer_.push_back(static_cast<char>(byte));
        if (byte != static_cast<std::uint8_t>(kTerminator)) return CheckOverflow();
        // A master's converter frame and its addressed requests carry a
        // check character after the "?"; its short frames do not.
        const bool check = prefixLength_ > 0 && (kind_ == FrameKind::Converter ||
                                                 (kind_ == FrameKind::IndexLed && buffer_.size() - prefixLength_ > 2));
        if (!check) return Complete();
        // The check character must fit within the limit too: a "?" that
        // reaches it ends the frame there, cut as any other.
        state_ = State::Check;
        return CheckOverflow();
    }
    case State::Check: buffer_.push_back(static_cast<char>(byte)); return Complete();
    }
    return false;
}

std::string_view DataBeforeTerminator(std::string_view text, std::size_t from) {
    if (from >= text.size()) return {};
    const std::string_view rest = text.substr(from);
    return rest.substr(0, rest.find(kTerminator));
}

}  // namespace tulex
