#include "tests/support/VirtualLine.h"

#include <charconv>

namespace tulex::test {

class VirtualLine::LinePort final : public Port {
public:
    explicit LinePort(VirtualLine& line) : line_(line) {}
    ~LinePort() override { line_.Close(this); }

    PortError Open(const std::string& name) override {
        {
            std::lock_guard lock(nameMutex_);
            name_ = name;
        }
        return line_.Open(this, name);
    }
    PortError Configure(const std::string& speedText) override { return line_.Configure(this, speedText); }
    void Close() override { line_.Close(this); }
    bool IsOpen() const override { return line_.IsOpen(this); }
    bool IsGone() const override { return line_.IsGone(); }
    std::string Name() const override {
        std::lock_guard lock(nameMutex_);
        return name_;
    }
    bool Write(std::string_view frame) override { return line_.Write(this, frame); }
    bool ReadByte(std::uint8_t& byte) override { return line_.ReadByte(this, byte); }
    WaitState WaitForInput(int timeoutMs) override { return line_.WaitForInput(this, timeoutMs); }

private:
    VirtualLine& line_;
    mutable std::mutex nameMutex_;
    std::string name_;
};

VirtualLine::VirtualLine(ManualClock& clock, sim::LineConfig config, sim::ConverterConfig converter)
    : clock_(clock), line_(config, std::move(converter)) {
    clock_.SetListener([this](Clock::TimePoint now) {
        std::lock_guard lock(mutex_);
        DeliverDue(now);
    });
}

VirtualLine::~VirtualLine() { clock_.SetListener(nullptr); }

std::unique_ptr<Port> VirtualLine::MakePort() { return std::make_unique<LinePort>(*this); }

sim::SimController* VirtualLine::AddController(std::uint8_t index, sim::ControllerBehaviour behaviour) {
    std::lock_guard lock(mutex_);
    return line_.AddController(index, std::move(behaviour));
}

void VirtualLine::Inject(std::string_view bytes) {
    {
        std::lock_guard lock(mutex_);
        readable_ += bytes;
    }
    input_.notify_all();
}

void VirtualLine::EmitAfter(std::string bytes, std::chrono::milliseconds after) {
    {
        std::lock_guard lock(mutex_);
        line_.Emit(std::move(bytes), clock_.Now() + after, "emitted by the test");
        DeliverDue(clock_.Now());
    }
    input_.notify_all();
}

void VirtualLine::HangUp() {
    {
        std::lock_guard lock(mutex_);
        gone_ = true;
    }
    input_.notify_all();
}

void VirtualLine::SetAccessDenied(bool denied) {
    std::lock_guard lock(mutex_);
    accessDenied_ = denied;
}

std::string VirtualLine::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::vector<LineFrame> VirtualLine::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<LineFrame> VirtualLine::Requests() const {
    std::vector<LineFrame> out;
    for (auto& f : Frames())
        if (f.kind == LineFrame::Kind::Request) out.push_back(std::move(f));
    return out;
}

std::optional<Clock::TimePoint> VirtualLine::NextDue() const {
    std::lock_guard lock(mutex_);
    return line_.NextDue();
}

bool VirtualLine::ReaderIdle() const {
    std::lock_guard lock(mutex_);
    // A reader asleep on a line that has just gone is about to wake to the
    // news: not idle.
    return owner_ == nullptr || !configured_ || (readerWaiting_ && readAt_ == readable_.size() && !gone_);
}

std::uint64_t VirtualLine::BytesRead() const {
    std::lock_guard lock(mutex_);
    return bytesRead_;
}

PortError VirtualLine::Open(const LinePort* port, const std::string& name) {
    Close(port);
    std::lock_guard lock(mutex_);
    if (name != kPortName || gone_) return PortError::NotFound;
    if (accessDenied_) return PortError::PermissionDenied;
    if (owner_ != nullptr) return PortError::Unavailable;
    owner_ = port;
    configured_ = false;
    return PortError::None;
}

PortError VirtualLine::Configure(const LinePort* port, const std::string& speedText) {
    std::unique_lock lock(mutex_);
    if (owner_ != port) return PortError::Refused;
    int speed = 0;
    const char* const end = speedText.data() + speedText.size();
    const auto [ptr, ec] = std::from_chars(speedText.data(), end, speed);
    const PortError error = ec != std::errc() || ptr != end ? PortError::BadSpeed
                            : speed <= 0                    ? PortError::Refused
                                                            : PortError::None;
    if (error != PortError::None) {
        lock.unlock();
        Close(port);
        return error;
    }
    configured_ = true;
    // Whatever the line said before the port was there is lost.
    line_.TakeOutput(clock_.Now());
    readable_.clear();
    readAt_ = 0;
    return PortError::None;
}

void VirtualLine::Close(const LinePort* port) {
    {
        std::lock_guard lock(mutex_);
        if (owner_ != port) return;
        owner_ = nullptr;
        configured_ = false;
    }
    input_.notify_all();
}

bool VirtualLine::IsOpen(const LinePort* port) const {
    std::lock_guard lock(mutex_);
    return owner_ == port && configured_;
}

bool VirtualLine::IsGone() const {
    std::lock_guard lock(mutex_);
    return gone_ && owner_ != nullptr;
}

bool VirtualLine::Write(const LinePort* port, std::string_view frame) {
    {
        std::lock_guard lock(mutex_);
        if (owner_ != port || !configured_ || gone_) return false;
        frame = frame.substr(0, frame.find('\0'));
        written_ += frame;
        const auto now = clock_.Now();
        for (auto& f : SplitFrames(frame)) {
            f.at = now;
            frames_.push_back(std::move(f));
        }
        line_.Feed(frame, now);
        DeliverDue(now);
    }
    input_.notify_all();
    return true;
}

bool VirtualLine::ReadByte(const LinePort* port, std::uint8_t& byte) {
    std::lock_guard lock(mutex_);
    if (owner_ != port || !configured_ || gone_ || readAt_ == readable_.size()) return false;
    byte = static_cast<std::uint8_t>(readable_[readAt_++]);
    ++bytesRead_;
    if (readAt_ == readable_.size()) {
        readable_.clear();
        readAt_ = 0;
    }
    return true;
}

Port::WaitState VirtualLine::WaitForInput(const LinePort* port, int timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return gone_ || owner_ != port || !configured_ || readAt_ < readable_.size(); };
    readerWaiting_ = true;
    // The port's own time-out is real time: the engine's receive loop waits
    // without one, and nothing in the engine's timing depends on it.
    bool woke = true;
    if (timeoutMs < 0)
        input_.wait(lock, ready);
    else
        woke = input_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    readerWaiting_ = false;
    if (gone_ && owner_ == port) return Port::WaitState::Gone;
    if (owner_ != port || !configured_) return Port::WaitState::Closed;
    return woke ? Port::WaitState::Readable : Port::WaitState::Timeout;
}

void VirtualLine::DeliverDue(Clock::TimePoint now) {
    line_.Advance(now);
    std::string out = line_.TakeOutput(now);
    // Nobody listens while the port is closed: those bytes are lost.
    if (owner_ != nullptr && configured_ && !gone_) readable_ += out;
    if (!out.empty()) input_.notify_all();
}

}  // namespace tulex::test
