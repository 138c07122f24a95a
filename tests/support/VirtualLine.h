#pragma once
// The line in memory: tulex-sim's line model (controllers, converter,
// answer styles and delays) behind a Port the engine opens, on a manual
// clock. What the engine writes reaches the model at the clock's time; what
// the model sends back is readable at once when it is due now, or as soon as
// the clock is advanced past the instant it is due. The test can also put raw
// bytes on the line and pull the device out from under an open port.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "serial/Port.h"
#include "sim/SimLine.h"
#include "tests/support/LineFrames.h"
#include "tests/support/ManualClock.h"

namespace tulex::test {

class VirtualLine {
public:
    // The name the port answers to.
    static constexpr const char* kPortName = "VLINE1";

    explicit VirtualLine(ManualClock& clock, sim::LineConfig config = {}, sim::ConverterConfig converter = {});
    ~VirtualLine();
    VirtualLine(const VirtualLine&) = delete;
    VirtualLine& operator=(const VirtualLine&) = delete;

    // A port on this line for the engine. Every port made shares the line;
    // one may be open at a time.
    std::unique_ptr<Port> MakePort();

    // Runs fn on the model while nothing else touches it; returns its result.
    template <typename Fn>
    auto With(Fn&& fn) {
        std::lock_guard lock(mutex_);
        return fn(line_);
    }
    sim::SimController* AddController(std::uint8_t index, sim::ControllerBehaviour behaviour = {});

    // Raw bytes on the line, readable at once (noise, events, another
    // master's frames).
    void Inject(std::string_view bytes);
    // A frame the line sends by itself `after` from now (the model's Emit).
    void EmitAfter(std::string bytes, std::chrono::milliseconds after);
    // The device goes away under the port: reads and writes fail, a waiting
    // reader is told the port is gone, and it cannot be opened again.
    void HangUp();
    // The device's permissions keep this user out (or let it in again): Open
    // fails with PermissionDenied, as a real port does on EACCES.
    void SetAccessDenied(bool denied);

    // Everything the engine wrote since the line was made, in order.
    std::string Written() const;
    // The same cut into frames, each with the time it was written.
    std::vector<LineFrame> Frames() const;
    std::vector<LineFrame> Requests() const;
    // The next instant at which the model sends something.
    std::optional<Clock::TimePoint> NextDue() const;
    // True while nobody reads or the reader sleeps with nothing to read: every
    // byte delivered so far has been taken in and routed.
    bool ReaderIdle() const;
    // How many bytes the reader has taken so far.
    std::uint64_t BytesRead() const;

private:
    class LinePort;
    friend class LinePort;

    // The port's side, under mutex_.
    PortError Open(const LinePort* port, const std::string& name);
    PortError Configure(const LinePort* port, const std::string& speedText);
    void Close(const LinePort* port);
    bool IsOpen(const LinePort* port) const;
    bool IsGone() const;
    bool Write(const LinePort* port, std::string_view frame);
    bool ReadByte(const LinePort* port, std::uint8_t& byte);
    Port::WaitState WaitForInput(const LinePort* port, int timeoutMs);

    // Moves what the model has due by `now` to the read side (mutex_ held).
    void DeliverDue(Clock::TimePoint now);

    ManualClock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable input_;  // bytes came, the port closed or the device went
    sim::SimLine line_;
    std::string written_;
    std::vector<LineFrame> frames_;
    std::string readable_;
    std::size_t readAt_ = 0;  // bytes of readable_ already read
    std::uint64_t bytesRead_ = 0;
    const LinePort* owner_ = nullptr;  // the port that opened the line
    bool configured_ = false;
    bool gone_ = false;
    bool accessDenied_ = false;
    bool readerWaiting_ = false;
};

}  // namespace tulex::test
