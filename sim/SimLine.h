#pragma once
// The line side of the virtual line: cuts the bytes the PC sends into
// frames, routes them by address to the converter and the controllers,
// applies answer styles and delays, and queues everything the line sends
// back with the instant it is due. No port and no real clock here: the
// caller feeds bytes with a time and takes the output that is due, so the
// whole logic runs under a made-up clock in tests.

#include "sim/SimController.h"
#include "sim/SimConverter.h"
#include "sim/SimTrace.h"
#include "sim/SimTypes.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulex::sim {

struct LineConfig {
    ReplyStyle reply = ReplyStyle::Ack;
    bool absentError = false;  // requests to an empty index get "#?"
    // The same switches as a controller's, for every controller at once.
    bool silent = false;
    bool errorReply = false;
    bool deviceError = false;
    int delayMs = 0;                     // answer delay of every controller without its own
    int frameTimeoutMs = 500;            // a partial frame older than this is dropped
    int answerTimeoutMs = 1000;          // how long an automatic answer may take
    std::size_t outputBufferLimit = 16;  // data replies a controller keeps
};

// One event that expects an automatic answer, and what became of it.
struct AnswerRecord {
    std::uint64_t seq = 0;
    std::uint8_t index = 0;
    char expected = 0;  // '>', '<' or '+'
    SimTime eventAt;    // when the event went on the line
    std::optional<SimTime> answeredAt;
    bool missed = false;  // the answer time ran out
    Millis Latency() const {
        return answeredAt ? std::chrono::duration_cast<Millis>(*answeredAt - eventAt) : Millis(-1);
    }
};

struct LineStats {
    std::uint64_t requests = 0;      // addressed requests with a good check character
    std::uint64_t polls = 0;         // poll frames (FF index ?)
    std::uint64_t bufferClears = 0;  // FF FD ?
    std::uint64_t converterRequests = 0;
    std::uint64_t badCheck = 0;    // ignored for a wrong check character
    std::uint64_t malformed = 0;   // frames that fit no layout
    std::uint64_t strayBytes = 0;  // bytes outside any frame
    std::uint64_t framesOut = 0;
    std::uint64_t bytesOut = 0;
};

class SimLine {
public:
    using TraceSink = std::function<void(const TraceEntry&)>;

    explicit SimLine(LineConfig config = {}, ConverterConfig converter = {});

    void SetTraceSink(TraceSink sink) { trace_ = std::move(sink); }

    LineConfig& Config() { return config_; }
    SimConverter& Converter() { return converter_; }

    // Nullptr if the index is not a controller index or is taken.
    SimController* AddController(std::uint8_t index, ControllerBehaviour behaviour = {});
    bool RemoveController(std::uint8_t index);
    // A controller the installer has not connected yet: it joins the line at
    // its index as soon as the controller there moves to another index (at
    // once if the index is free now), after those queued for that index
    // before it: the installer connects new controllers one by one at their
    // factory index. The returned controller can be set up until then.
    SimController* QueueController(std::uint8_t index, ControllerBehaviour behaviour = {});
    // Controllers still waiting to be connected.
    std::size_t QueuedCount() const { return queued_.size(); }
    SimController* Find(std::uint8_t index);
    // In index order.
    std::vector<SimController*> Controllers();

    // Bytes the PC wrote, arriving at `now`.
    void Feed(std::string_view bytes, SimTime now);
    // Time-driven work: delayed results, automatic answers that did not come.
    void Advance(SimTime now);
    // Everything due by `now`, in order, as one byte string (each frame traced).
    std::string TakeOutput(SimTime now);
    // The next instant at which Advance or TakeOutput has work.
    std::optional<SimTime> NextDue() const;

    // A frame the line sends by itself (an event, another master, a fault).
    // traceBytes false traces only the note (bursts).
    void Emit(std::string bytes, SimTime at, std::string note, bool traceBytes = true);
    // Expects the automatic answer `answer` to `index` for an event emitted at `at`.
    void Expect(std::uint8_t index, char answer, SimTime at);

    const std::deque<AnswerRecord>& Answers() const { return answers_; }
    const LineStats& Stats() const { return stats_; }

private:
    enum class RxState { Idle, Prefix, Collect, Check };

    struct Pending {
        SimTime due;
        std::string bytes;
        std::string note;
        bool traceBytes = true;
    };
    struct Deferred {  // a data reply that becomes ready later (memory test)
        SimTime due;
        std::uint8_t index;  // controller's index when the command came (followed on rename)
        std::string payload;
        bool handOverAtPoll;
    };

    void Byte(std::uint8_t b, SimTime now);
    void FrameComplete(SimTime now, bool withCheck);
    void Stray(std::string bytes, SimTime now);
    void FlushStray(SimTime now);
    void HandleRequest(std::uint8_t index, std::string_view command, SimTime now);
    void HandlePoll(std::uint8_t index, SimTime now);
    void HandleConverter(std::string_view command, SimTime now);
    void Schedule(std::string bytes, SimTime due, std::string note);
    void TraceNote(SimTime at, std::string note);
    void TraceIn(SimTime at, std::string bytes, std::string note);
    void MatchAnswer(std::uint8_t index, char answer, SimTime now);
    std::string DataFrame(std::uint8_t index, const std::string& payload) const;
    int DelayOf(const SimController& c) const;
    bool Silent(const SimController& c) const { return config_.silent || c.Behaviour().silent; }
    void KeepInBuffer(SimController& c, std::string payload);
    // The index is free now: the first controller queued for it joins.
    void ConnectQueued(std::uint8_t index, SimTime now);
    void CountFrame(SimController& c, SimTime now);

    LineConfig config_;
    SimConverter converter_;
    std::array<std::unique_ptr<SimController>, 256> controllers_{};
    std::vector<std::unique_ptr<SimController>> queued_;  // in the order they were queued
    TraceSink trace_;

    RxState state_ = RxState::Idle;
    std::string prefix_;
    std::string text_;
    std::string stray_;
    SimTime lastByte_{};

    std::deque<Pending> output_;
    std::vector<Deferred> deferred_;
    std::deque<AnswerRecord> answers_;
    std::uint64_t nextSeq_ = 1;
    std::size_t openAnswers_ = 0;
    LineStats stats_;
};

}  // namespace tulex::sim
