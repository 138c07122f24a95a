#pragma once
// Figures per controller index, for the statistics table, the map cell's
// tool-tip and tulex-cli's `stats`: when it was last heard and with what
// frame, the frames received from it by kind, the requests the PC sent it,
// its time-outs and its reply time (from the request being written to the
// first byte of the frame that answers it).
//
// Fed by the receive thread (frames) and by whatever thread writes a request
// (a worker, the receive thread's automatic answers); read by the UI thread.
// One mutex guards it: every call is a few stores, and the receive thread
// takes it only once per frame. Times of frames are read from the clock's
// cheap coarse reading; only a frame that may answer a request is timed
// exactly. All times are on the engine's clock, so a
// test's manual clock gives exact reply times.
//
// An acknowledgement, a positive or an error reply carries no index: it
// counts for the controller the PC addressed last, when it came within that
// request's reply window; otherwise it belongs to nobody and is left out.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "line/Clock.h"

namespace tulex {

// What a received frame was, as the statistics count it.
enum class HeardKind : std::uint8_t { Ack, Positive, Error, Data, Card, Sensor, Poll };
inline constexpr std::size_t kHeardKindCount = 7;
inline constexpr std::array<HeardKind, kHeardKindCount> kHeardKinds{
    HeardKind::Ack,  HeardKind::Positive, HeardKind::Error, HeardKind::Data,
    HeardKind::Card, HeardKind::Sensor,   HeardKind::Poll};

// "ack", "positive", "error", "data", "card", "sensor", "poll" (tulex-cli's
// JSON keys, the CSV's column names).
std::string_view HeardKindName(HeardKind kind);

struct ControllerFigures {
    std::uint8_t index = 0;
    // Engine clock time of the last frame from this controller (a poll of
    // it is the converter speaking, not the controller: it does not count).
    std::optional<Clock::TimePoint> lastHeard;
    HeardKind lastKind = HeardKind::Ack;
    std::array<std::uint64_t, kHeardKindCount> received{};
    std::uint64_t requests = 0;
    std::uint64_t timeouts = 0;
    // Reply times: how many were measured, their least, sum and greatest.
    std::uint64_t timedReplies = 0;
    Clock::TimePoint::duration replyMin{};
    Clock::TimePoint::duration replyTotal{};
    Clock::TimePoint::duration replyMax{};

    std::uint64_t Received(HeardKind kind) const { return received[static_cast<std::size_t>(kind)]; }
    std::uint64_t ReceivedTotal() const;
    // Milliseconds; nothing before the first measured reply.
    std::optional<double> ReplyMinMs() const;
    std::optional<double> ReplyMeanMs() const;
    std::optional<double> ReplyMaxMs() const;
};

class LineStatistics {
public:
    // replyWindow: how long after a request an index-less reply still counts
    // for the controller it addressed (the command's reply wait).
    LineStatistics(Clock& clock, std::chrono::milliseconds replyWindow);

    // A request or short frame to index is about to be written (any thread).
    void RequestWritten(std::uint8_t index);
    // The first byte of a frame came in (receive thread). Cheap when no
    // reply is awaited.
    void FrameStarted();
    // A frame that names its index: a data reply, a card or sensor event, a
    // poll (receive thread).
    void Heard(std::uint8_t index, HeardKind kind);
    // An acknowledgement, a positive or an error reply (receive thread).
    void ReplyHeard(HeardKind kind);
    // A command waited for index's reply in vain.
    void TimedOut(std::uint8_t index);
    // Forgets every figure.
    void Reset();

    // Every index heard or addressed since the last reset, in index order.
    std::vector<ControllerFigures> Snapshot() const;
    // One index's figures (all zero when nothing is known of it).
    ControllerFigures Of(std::uint8_t index) const;
    // Changes with every recorded fact and every reset: a view refreshes
    // only when it moved.
    std::uint64_t Version() const { return version_.load(std::memory_order_relaxed); }
    Clock& clock() const { return clock_; }

private:
    struct Slot {
        ControllerFigures figures;
        bool known = false;
    };
    // Records a reply for index at the current frame (mutex_ held).
    void TimeReply(std::uint8_t index);
    Slot& SlotOf(std::uint8_t index);  // mutex_ held

    Clock& clock_;
    const std::chrono::milliseconds replyWindow_;
    mutable std::mutex mutex_;
    std::array<Slot, 256> slots_{};
    std::atomic<std::uint64_t> version_{0};
    // The request last written: its index and time, and whether its answer
    // was timed already. The first byte of the frame being read while it
    // waits is kept as the candidate answer's start.
    std::atomic<bool> awaitingAnswer_{false};
    // A request was written since the last reset: until then no reply can
    // be anybody's, and a flood of them costs no clock read and no lock.
    std::atomic<bool> addressedAny_{false};
    std::optional<std::uint8_t> addressed_;
    Clock::TimePoint writtenAt_{};
    std::optional<Clock::TimePoint> frameStart_;
};

}  // namespace tulex
