#include "tests/commands/ControllerLine.h"

#include <poll.h>
#include <unistd.h>

namespace tulex::test {

ControllerLine::ControllerLine(Pty& pty) : pty_(pty), thread_([this] { Run(); }) {}

ControllerLine::~ControllerLine() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    thread_.join();
}

void ControllerLine::SetScript(Script script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

std::vector<LineFrame> ControllerLine::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<LineFrame> ControllerLine::Requests() const {
    std::vector<LineFrame> out;
    for (const auto& f : Frames())
        if (f.kind == LineFrame::Kind::Request) out.push_back(f);
    return out;
}

std::string ControllerLine::Bytes() const {
    std::lock_guard lock(mutex_);
    return all_;
}

void ControllerLine::Run() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
        }
        struct pollfd p {
            pty_.masterFd(), POLLIN, 0
        };
        if (pty_.masterFd() < 0 || ::poll(&p, 1, 5) <= 0 || !(p.revents & POLLIN)) {
            if (p.revents & (POLLHUP | POLLERR)) ::usleep(1000);  // no slave open yet
            continue;
        }
        char buf[4096];
        const ssize_t n = ::read(pty_.masterFd(), buf, sizeof buf);
        if (n <= 0) continue;
        std::vector<std::string> replies;
        {
            std::lock_guard lock(mutex_);
            pending_.append(buf, static_cast<std::size_t>(n));
            all_.append(buf, static_cast<std::size_t>(n));
            Parse(replies);
        }
        for (const auto& reply : replies)
            if (!reply.empty()) pty_.Send(reply);
    }
}

void ControllerLine::Parse(std::vector<std::string>& replies) {
    for (;;) {
        // Frames of a master start with a run of 0xFF.
        const auto start = pending_.find('\xFF');
        if (start == std::string::npos) {
            pending_.clear();
            return;
        }
        pending_.erase(0, start);
        std::size_t i = 0;
        while (i < pending_.size() && pending_[i] == '\xFF') ++i;
        if (pending_.size() < i + 2) return;
        LineFrame frame;
        frame.at = std::chrono::steady_clock::now();
        frame.index = static_cast<std::uint8_t>(pending_[i]);
        std::size_t length = 0;
        if (pending_[i + 1] == '?') {
            frame.kind = LineFrame::Kind::Short;
            length = i + 2;
        } else {
            const auto q = pending_.find('?', i + 2);
            if (q == std::string::npos || q + 1 >= pending_.size()) return;  // check character still to come
            frame.kind = LineFrame::Kind::Request;
            frame.command = pending_.substr(i + 2, q - (i + 2));
            length = q + 2;
        }
        frame.bytes = pending_.substr(0, length);
        pending_.erase(0, length);
        frames_.push_back(frame);
        if (script_) replies.push_back(script_(frame));
    }
}

std::string Request(std::uint8_t index, const std::string& command) {
    std::string frame = "\xFF\xFF\xFF\xFF";
    frame += static_cast<char>(index);
    frame += static_cast<char>(index);
    frame += command;
    frame += '?';
    std::uint8_t check = 0;
    for (const char c : frame) check ^= static_cast<std::uint8_t>(c);
    frame += static_cast<char>(check);
    return frame;
}

std::string FoldClearPasses(std::string bytes) {
    constexpr std::size_t kPass = 6;  // FF FD ? FF index ?
    const auto isPass = [&](std::size_t at) {
        return at + kPass <= bytes.size() && bytes.compare(at, kClear.size(), kClear) == 0 &&
               static_cast<unsigned char>(bytes[at + 3]) == 0xFF && bytes[at + 5] == '?';
    };
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (!isPass(at)) continue;
        while (isPass(at + kPass) && bytes.compare(at, kPass, bytes, at + kPass, kPass) == 0)
            bytes.erase(at + kPass, kPass);
        at += kPass - 1;
    }
    return bytes;
}

std::vector<std::string> FoldClearPassLines(std::vector<std::string> lines) {
    const auto endsWith = [](const std::string& s, const std::string& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    };
    const auto isPass = [&](std::size_t at) {
        return at + 1 < lines.size() && endsWith(lines[at], "Чистка буфера контроллера") &&
               endsWith(lines[at + 1], "Запрос контроллера");
    };
    for (std::size_t at = 0; at < lines.size(); ++at) {
        if (!isPass(at)) continue;
        while (isPass(at + 2) && lines[at] == lines[at + 2] && lines[at + 1] == lines[at + 3])
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at + 2),
                        lines.begin() + static_cast<std::ptrdiff_t>(at + 4));
        ++at;
    }
    return lines;
}

}  // namespace tulex::test
