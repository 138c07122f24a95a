#include "tests/converter/ScriptedConverter.h"

namespace tulex::test {

ScriptedConverter::ScriptedConverter(Pty& pty, Script script) : pty_(pty), script_(std::move(script)) {
    thread_ = std::thread([this] { Run(); });
}

ScriptedConverter::~ScriptedConverter() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> ScriptedConverter::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

bool ScriptedConverter::WaitForFrames(std::size_t count, std::chrono::milliseconds within) const {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Frames().size() >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return Frames().size() >= count;
}

void ScriptedConverter::SetScript(Script script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

void ScriptedConverter::Run() {
    std::string pending;
    while (!stop_) {
        pending += pty_.Receive(std::chrono::milliseconds(5));
        Cut(pending);
    }
}

// A request is FF FF FF FF FE FE, the command, "?" and the check character
// (the tests send no "?" inside a command).
void ScriptedConverter::Cut(std::string& pending) {
    static const std::string kHead = "\xFF\xFF\xFF\xFF\xFE\xFE";
    for (;;) {
        const std::size_t start = pending.find(kHead);
        if (start == std::string::npos) return;
        const std::size_t mark = pending.find('?', start + kHead.size());
        if (mark == std::string::npos || mark + 1 >= pending.size()) return;
        const std::string frame = pending.substr(start, mark + 2 - start);
        const std::string command = pending.substr(start + kHead.size(), mark - start - kHead.size());
        pending.erase(0, mark + 2);
        Script script;
        {
            std::lock_guard lock(mutex_);
            frames_.push_back(frame);
            script = script_;
        }
        const Answer answer = script ? script(command) : Answer{};
        if (answer.bytes.empty()) continue;
        std::this_thread::sleep_for(answer.delay);
        pty_.Send(answer.bytes);
        if (answer.later.empty()) continue;
        std::this_thread::sleep_for(answer.laterDelay);
        pty_.Send(answer.later);
    }
}

}  // namespace tulex::test
