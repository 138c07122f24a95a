#include "tests/diagnostics/LinePlayer.h"

namespace tulex::test {

LinePlayer::LinePlayer(Pty& pty) : pty_(pty), thread_([this] { Run(); }) {}

LinePlayer::~LinePlayer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    thread_.join();
}

void LinePlayer::SetScript(Script script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

void LinePlayer::Send(const std::string& bytes) { pty_.Send(bytes); }

std::vector<SeenFrame> LinePlayer::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<SeenFrame> LinePlayer::Requests() const {
    std::vector<SeenFrame> out;
    for (const auto& f : Frames())
        if (f.kind == SeenFrame::Kind::Request) out.push_back(f);
    return out;
}

std::string LinePlayer::Bytes() const {
    std::lock_guard lock(mutex_);
    return all_;
}

bool LinePlayer::WaitForRequests(std::size_t n, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Requests().size() >= n) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return Requests().size() >= n;
}

void LinePlayer::Run() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
        }
        const std::string got = pty_.Receive(std::chrono::milliseconds(5), 1);
        if (got.empty()) continue;
        {
            std::lock_guard lock(mutex_);
            pending_ += got;
            all_ += got;
        }
        Parse();
    }
}

// Cuts complete frames off the front of what arrived. A request is four FF,
// the index twice, the command, "?" and the check character (left out when
// it is zero); a short frame is FF, the target, "?".
void LinePlayer::Parse() {
    for (;;) {
        SeenFrame frame;
        Script script;
        {
            std::lock_guard lock(mutex_);
            const std::string& p = pending_;
            if (p.size() < 3) return;
            const auto ff = static_cast<char>(0xFF);
            std::size_t length = 0;
            if (p.size() >= 4 && p[0] == ff && p[1] == ff && p[2] == ff && p[3] == ff) {
                if (p.size() < 7) return;
                const std::size_t q = p.find('?', 6);
                if (q == std::string::npos) return;
                std::uint8_t check = 0x3F;
                for (std::size_t i = 6; i < q; ++i) check ^= static_cast<std::uint8_t>(p[i]);
                length = q + (check == 0 ? 1 : 2);
                if (p.size() < length) return;
                frame.kind = SeenFrame::Kind::Request;
                frame.index = static_cast<std::uint8_t>(p[4]);
                frame.command = p.substr(6, q - 6);
            } else if (p[0] == ff && p[1] != ff && p[2] == '?') {
                length = 3;
                frame.kind = SeenFrame::Kind::Short;
                frame.index = static_cast<std::uint8_t>(p[1]);
            } else if (p[0] == ff && p[1] == ff) {
                if (p.size() < 4) return;  // the start of a request's prefix
                pending_.erase(0, 1);      // noise
                continue;
            } else {
                pending_.erase(0, 1);  // noise
                continue;
            }
            frame.bytes = p.substr(0, length);
            frame.at = std::chrono::steady_clock::now();
            pending_.erase(0, length);
            frames_.push_back(frame);
            script = script_;
        }
        if (script) {
            const std::string answer = script(frame);
            if (!answer.empty()) pty_.Send(answer);
        }
    }
}

}  // namespace tulex::test
