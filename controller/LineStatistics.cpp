#include "controller/LineStatistics.h"

#include <algorithm>

#include "line/Frame.h"

namespace tulex {
namespace {

double Milliseconds(Clock::TimePoint::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

std::string_view HeardKindName(HeardKind kind) {
    switch (kind) {
    case HeardKind::Ack: return "ack";
    case HeardKind::Positive: return "positive";
    case HeardKind::Error: return "error";
    case HeardKind::Data: return "data";
    case HeardKind::Card: return "card";
    case HeardKind::Sensor: return "sensor";
    case HeardKind::Poll: return "poll";
    }
    return "";
}

std::uint64_t ControllerFigures::ReceivedTotal() const {
    std::uint64_t total = 0;
    for (const std::uint64_t n : received) total += n;
    return total;
}

std::optional<double> ControllerFigures::ReplyMinMs() const {
    if (timedReplies == 0) return std::nullopt;
    return Milliseconds(replyMin);
}

std::optional<double> ControllerFigures::ReplyMeanMs() const {
    if (timedReplies == 0) return std::nullopt;
    return Milliseconds(replyTotal) / static_cast<double>(timedReplies);
}

std::optional<double> ControllerFigures::ReplyMaxMs() const {
    if (timedReplies == 0) return std::nullopt;
    return Milliseconds(replyMax);
}

LineStatistics::LineStatistics(Clock& clock, std::chrono::milliseconds replyWindow)
    : clock_(clock), replyWindow_(replyWindow) {
    for (std::size_t i = 0; i < slots_.size(); ++i) slots_[i].figures.index = static_cast<std::uint8_t>(i);
}

LineStatistics::Slot& LineStatistics::SlotOf(std::uint8_t index) {
    Slot& slot = slots_[index];
    slot.known = true;
    // Only the statistics' own writers change the version, all under mutex_.
    version_.store(version_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return slot;
}

void LineStatistics::RequestWritten(std::uint8_t index) {
    const Clock::TimePoint now = clock_.Now();
    std::lock_guard lock(mutex_);
    ++SlotOf(index).figures.requests;
    addressed_ = index;
    writtenAt_ = now;
    frameStart_.reset();
    awaitingAnswer_.store(true, std::memory_order_relaxed);
    addressedAny_.store(true, std::memory_order_relaxed);
}

void LineStatistics::FrameStarted() {
    if (!awaitingAnswer_.load(std::memory_order_relaxed)) return;
    const Clock::TimePoint now = clock_.Now();
    std::lock_guard lock(mutex_);
    if (!awaitingAnswer_.load(std::memory_order_relaxed)) return;
    if (now - writtenAt_ > replyWindow_) {
        awaitingAnswer_.store(false, std::memory_order_relaxed);  // too late to be its answer
        return;
    }
    frameStart_ = now;  // each frame while waiting; the answer is the last begun
}

void LineStatistics::TimeReply(std::uint8_t index) {
    if (!awaitingAnswer_.load(std::memory_order_relaxed) || addressed_ != index) return;
    // The answer's first byte, or (when it came whole before FrameStarted
    // could see it) the exact time now.
    const Clock::TimePoint start = frameStart_ ? *frameStart_ : clock_.Now();
    const Clock::TimePoint::duration reply = std::max(Clock::TimePoint::duration::zero(), start - writtenAt_);
    ControllerFigures& f = slots_[index].figures;
    f.replyMin = f.timedReplies == 0 ? reply : std::min(f.replyMin, reply);
    f.replyMax = f.timedReplies == 0 ? reply : std::max(f.replyMax, reply);
    f.replyTotal += reply;
    ++f.timedReplies;
    awaitingAnswer_.store(false, std::memory_order_relaxed);
    frameStart_.reset();
}

void LineStatistics::Heard(std::uint8_t index, HeardKind kind) {
    const Clock::TimePoint now = clock_.CoarseNow();
    std::lock_guard lock(mutex_);
    ControllerFigures& f = SlotOf(index).figures;
    ++f.received[static_cast<std::size_t>(kind)];
    if (kind == HeardKind::Poll) return;
    f.lastHeard = now;
    f.lastKind = kind;
    if (kind == HeardKind::Data) TimeReply(index);
}

void LineStatistics::ReplyHeard(HeardKind kind) {
    if (!addressedAny_.load(std::memory_order_relaxed)) return;  // nobody's
    const Clock::TimePoint now = clock_.CoarseNow();
    std::lock_guard lock(mutex_);
    if (!addressed_ || now - writtenAt_ > replyWindow_) return;  // nobody's
    ControllerFigures& f = SlotOf(*addressed_).figures;
    ++f.received[static_cast<std::size_t>(kind)];
    f.lastHeard = now;
    f.lastKind = kind;
    TimeReply(*addressed_);
}

void LineStatistics::TimedOut(std::uint8_t index) {
    std::lock_guard lock(mutex_);
    ++SlotOf(index).figures.timeouts;
    if (addressed_ == index) awaitingAnswer_.store(false, std::memory_order_relaxed);
}

void LineStatistics::Reset() {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        slots_[i] = Slot{};
        slots_[i].figures.index = static_cast<std::uint8_t>(i);
    }
    addressed_.reset();
    frameStart_.reset();
    awaitingAnswer_.store(false, std::memory_order_relaxed);
    addressedAny_.store(false, std::memory_order_relaxed);
    version_.store(version_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

std::vector<ControllerFigures> LineStatistics::Snapshot() const {
    std::vector<ControllerFigures> figures;
    std::lock_guard lock(mutex_);
    for (int i = kFirstIndex; i <= kLastIndex; ++i)
        if (slots_[i].known) figures.push_back(slots_[i].figures);
    return figures;
}

ControllerFigures LineStatistics::Of(std::uint8_t index) const {
    std::lock_guard lock(mutex_);
    return slots_[index].figures;
}

}  // namespace tulex
