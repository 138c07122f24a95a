#pragma once
// The far side of the line for the converter tests: a thread on the master
// side of a pseudo-terminal that cuts the engine's requests to the converter
// (FF FF FF FF FE FE text ? check) out of what arrives, records them and
// answers each with the bytes a script gives, optionally after a delay.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Pty.h"

namespace tulex::test {

class ScriptedConverter {
public:
    struct Answer {
        std::string bytes;  // nothing: no answer
        std::chrono::milliseconds delay{0};
        std::string later;  // a second answer, `laterDelay` after the first
        std::chrono::milliseconds laterDelay{0};
    };
    static Answer Reply(std::string bytes) { return Answer{std::move(bytes), {}, {}, {}}; }
    static Answer NoReply() { return Answer{}; }
    // `first` at once, then `later` after `gap`.
    static Answer ReplyThen(std::string first, std::string later, std::chrono::milliseconds gap) {
        return Answer{std::move(first), {}, std::move(later), gap};
    }
    // Called with the command text of each request (bytes between the
    // address pair and "?").
    using Script = std::function<Answer(const std::string& command)>;

    ScriptedConverter(Pty& pty, Script script);
    ~ScriptedConverter();

    // Whole request frames received so far, in order.
    std::vector<std::string> Frames() const;
    // Waits until `count` frames have arrived (or the time passes).
    bool WaitForFrames(std::size_t count, std::chrono::milliseconds within) const;
    void SetScript(Script script);

private:
    void Run();
    void Cut(std::string& pending);

    Pty& pty_;
    mutable std::mutex mutex_;
    Script script_;
    std::vector<std::string> frames_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace tulex::test
