// A full controller search ("Поиск контроллеров") of a line on which all 182
// controllers answer at once with the acknowledgement, against the bound the
// line itself sets: 182 request frames (12 bytes) and 182 answers (1 byte) at
// the line's speed, 10 bits a byte (8N1).
//
// A pseudo-terminal moves bytes at memory speed, so the controllers here pace
// themselves: each answer leaves when the request and the answer would have
// crossed a real line. Argument 0 means no pacing: the engine's own cost.

#include <benchmark/benchmark.h>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "app/ControllerCommands.h"
#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "line/Frame.h"
#include "tests/support/Pty.h"
#include "tests/support/RecordingView.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kRequestBytes = 12;  // FF FF FF FF, index twice, "$$02", "?", check
constexpr int kAnswerBytes = 1;    // "!"

// Every controller of the line: answers each complete request with "!",
// paced by the speed (0: at once).
class AnsweringLine {
public:
    AnsweringLine(tulex::test::Pty& pty, int speed) : pty_(pty), speed_(speed), thread_([this] { Run(); }) {}
    ~AnsweringLine() {
        stop_ = true;
        thread_.join();
    }

private:
    void Run() {
        std::string pending;
        const auto perFrame =
            speed_ > 0
                ? std::chrono::nanoseconds(std::int64_t(kRequestBytes + kAnswerBytes) * 10 * 1'000'000'000 / speed_)
                : std::chrono::nanoseconds(0);
        while (!stop_) {
            pollfd p{pty_.masterFd(), POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0) continue;
            char buf[4096];
            const ssize_t n = ::read(pty_.masterFd(), buf, sizeof buf);
            if (n <= 0) continue;
            const auto arrived = Clock::now();
            pending.append(buf, static_cast<std::size_t>(n));
            // A search request is 12 bytes; the check character "=" follows "?".
            while (pending.size() >= kRequestBytes) {
                pending.erase(0, kRequestBytes);
                if (perFrame.count() > 0) std::this_thread::sleep_until(arrived + perFrame);
                pty_.Send("!");
            }
        }
    }

    tulex::test::Pty& pty_;
    const int speed_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void BM_FullSearchAllAnswer(benchmark::State& state) {
    const int speed = static_cast<int>(state.range(0));
    tulex::test::Pty pty;
    AnsweringLine line(pty, speed);
    tulex::QueueDispatcher dispatcher;
    tulex::test::RecordingView view;
    tulex::LineSession session(view, dispatcher);
    session.monitor().SetWindowExists(true);  // the monitor open, as while commissioning
    session.OpenPort(pty.slavePath(), speed > 0 ? std::to_string(speed) : "115200");
    if (!session.IsPortOpen()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    std::size_t found = 0;
    for (auto _ : state) {
        session.controller().SearchControllers();
        dispatcher.RunUntil([&] { return session.transaction().busy == 0 && view.commandControlsEnabled(); }, 120s);
        found = session.map().Count(tulex::MapSet::Present);
    }
    if (found != static_cast<std::size_t>(tulex::kIndexCount)) state.SkipWithError("not every controller was found");
    const double bound = speed > 0 ? double{tulex::kIndexCount} * (kRequestBytes + kAnswerBytes) * 10 / speed : 0.0;
    state.counters["line_bound_ms"] = bound * 1000;
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_FullSearchAllAnswer)->Arg(0)->Arg(115200)->Arg(9600)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
