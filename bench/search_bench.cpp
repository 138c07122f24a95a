// A full controller search ("Поиск контроллеров") of a line on which all 182
// controllers answer at once with the acknowledgement, against the bound the
// line itself sets: 182 request frames (12 bytes) and 182 answers (1 byte) at
// the line's speed, 10 bits a byte (8N1).
//
// A pseudo-terminal moves bytes at memory speed, so the controllers here pace
// themselves: each answer leaves when the request and the answer would have
// crossed a real line. Like a real line, the model counts from the moment
// the request was written: its thread looks at the pty all the time (a look
// that finds nothing yields the processor) and answers on the microsecond
// (a sleep, then a spin), so that its own wake-ups are not charged to the
// engine. Argument 0 means no pacing: the engine's own cost.
//
// Two references: the line-bound time (computed), and the same 182 requests
// and answers with no engine at all (a bare port that writes a request and
// waits for its "!"), measured in the same run: what the pty, the pacing and
// the scheduler of this machine cost by themselves.

#include <benchmark/benchmark.h>

#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/ControllerCommands.h"
#include "bench/Figure.h"
#include "bench/SessionOnPty.h"
#include "line/Frame.h"
#include "serial/SerialPort.h"
#include "tests/support/Pty.h"

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

    // The turnarounds since the last call, in microseconds: from an answer
    // written to the next request's first bytes read. That is the searching
    // side's own share of a round trip (its wake-ups and its work), whatever
    // the pacing; the line's time is not in it.
    std::vector<double> TakeTurnarounds() {
        std::lock_guard lock(mutex_);
        lastAnswer_.reset();
        return std::exchange(turnarounds_, {});
    }

private:
    void Run() {
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);  // no slack on this thread's sleeps
        std::string pending;
        const auto perFrame =
            speed_ > 0
                ? std::chrono::nanoseconds(std::int64_t(kRequestBytes + kAnswerBytes) * 10 * 1'000'000'000 / speed_)
                : std::chrono::nanoseconds(0);
        while (!stop_) {
            // A real line starts its time when the request is written, not
            // when a thread wakes up to look: the line side looks all the
            // time (a read that finds nothing gives the processor away).
            char buf[4096];
            const ssize_t n = ::read(pty_.masterFd(), buf, sizeof buf);
            if (n <= 0) {
                sched_yield();
                continue;
            }
            const auto arrived = Clock::now();
            if (pending.empty()) NoteRequestStart(arrived);
            pending.append(buf, static_cast<std::size_t>(n));
            // A search request is 12 bytes; the check character "=" follows "?".
            while (pending.size() >= kRequestBytes) {
                pending.erase(0, kRequestBytes);
                if (perFrame.count() > 0) AnswerAt(arrived + perFrame);
                pty_.Send("!");
                std::lock_guard lock(mutex_);
                lastAnswer_ = Clock::now();
            }
        }
    }

    void NoteRequestStart(Clock::time_point arrived) {
        std::lock_guard lock(mutex_);
        if (lastAnswer_)
            turnarounds_.push_back(std::chrono::duration<double, std::micro>(arrived - *lastAnswer_).count());
        lastAnswer_.reset();
    }

    // A line answers on time: a sleep until shortly before, then a spin
    // (a wake-up from a sleep is late by tens of microseconds here, and the
    // line model must not charge its own lateness to the engine).
    static void AnswerAt(Clock::time_point due) {
        std::this_thread::sleep_until(due - std::chrono::microseconds(150));
        while (Clock::now() < due) {
        }
    }

    tulex::test::Pty& pty_;
    const int speed_;
    std::mutex mutex_;
    std::optional<Clock::time_point> lastAnswer_;
    std::vector<double> turnarounds_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double LineBoundMs(int speed) {
    return speed > 0 ? double{tulex::kIndexCount} * (kRequestBytes + kAnswerBytes) * 10 / speed * 1000 : 0.0;
}

// The value at fraction `p` (0 to 1) of the sorted values, 0 for none.
double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * double(values.size())))];
}

struct RoundTrips {
    double ms = -1;                     // all 182, -1 when an answer never came
    std::vector<double> turnaroundsUs;  // the searching side's share of each
};

// The same requests and answers with no engine: a bare port writes each
// index's search request and waits for its "!".
RoundTrips BareRoundTrips(int speed) {
    tulex::test::Pty pty;
    AnsweringLine line(pty, speed);
    tulex::SerialPort port;
    if (port.Open(pty.slavePath()) != tulex::PortError::None ||
        port.Configure(tulex::bench::PortSpeed(speed)) != tulex::PortError::None)
        return {};
    const auto start = Clock::now();
    for (const std::uint8_t index : tulex::LineMap::IndexTable()) {
        port.Write(tulex::BuildRequest(index, "$$02"));
        std::uint8_t byte = 0;
        for (;;) {
            if (port.ReadByte(byte)) {
                if (byte == '!') break;
                continue;
            }
            if (port.WaitForInput(2000) != tulex::Port::WaitState::Readable) return {};
        }
    }
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(), line.TakeTurnarounds()};
}

void BM_FullSearchAllAnswer(benchmark::State& state) {
    const int speed = static_cast<int>(state.range(0));
    const RoundTrips bare = BareRoundTrips(speed);
    tulex::bench::SessionOnPty<AnsweringLine> on(speed);
    if (!on.Opened(state)) return;
    std::size_t found = 0;
    std::vector<double> times;
    std::vector<double> turnarounds;
    for (auto _ : state) {
        on.line.TakeTurnarounds();
        const auto start = Clock::now();
        on.session.controller().SearchControllers();
        on.dispatcher.RunUntil([&] { return on.session.transaction().busy == 0 && on.view.commandControlsEnabled(); },
                               120s);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        found = on.session.map().Count(tulex::MapSet::Present);
        const std::vector<double> more = on.line.TakeTurnarounds();
        turnarounds.insert(turnarounds.end(), more.begin(), more.end());
    }
    std::sort(times.begin(), times.end());
    const double ms = times[times.size() / 2];  // the median search
    if (found != static_cast<std::size_t>(tulex::kIndexCount)) state.SkipWithError("not every controller was found");
    const double bound = LineBoundMs(speed);
    state.counters["line_bound_ms"] = bound;
    state.counters["bare_ms"] = bare.ms;
    state.counters["found"] = static_cast<double>(found);
    // Where the time beyond the line's goes: the searching side's turnaround,
    // the engine's against the bare port's.
    state.counters["turn_p50_us"] = Percentile(turnarounds, 0.5);
    state.counters["turn_p99_us"] = Percentile(turnarounds, 0.99);
    state.counters["bare_turn_p50_us"] = Percentile(bare.turnaroundsUs, 0.5);
    state.counters["bare_turn_p99_us"] = Percentile(bare.turnaroundsUs, 0.99);
    if (speed > 0)
        tulex::bench::ReportFigure(state, {"ms, full search at " + std::to_string(speed) + ", all 182 answer", ms,
                                           "line-bound time, ms", bound, speed == 115200 ? "ratio <= 1.1" : "-"});
    else
        tulex::bench::ReportFigure(state,
                                   {"ms, full search, unpaced line", ms, "bare port, same frames, ms", bare.ms, "-"});
}
BENCHMARK(BM_FullSearchAllAnswer)
    ->Arg(0)
    ->Arg(115200)
    ->Arg(9600)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// The floor of this machine: the bare round trips against the line-bound
// time (what is left of the search's ratio above this one is the engine's).
void BM_BareRoundTrips(benchmark::State& state) {
    const int speed = static_cast<int>(state.range(0));
    std::vector<double> times;
    std::vector<double> turnarounds;
    for (auto _ : state) {
        RoundTrips trips = BareRoundTrips(speed);
        times.push_back(trips.ms);
        turnarounds.insert(turnarounds.end(), trips.turnaroundsUs.begin(), trips.turnaroundsUs.end());
    }
    std::sort(times.begin(), times.end());
    if (times.front() < 0) return state.SkipWithError("no answer on the pseudo-terminal");
    const double ms = times[times.size() / 2];  // the median
    state.counters["turn_p50_us"] = Percentile(turnarounds, 0.5);
    state.counters["turn_p99_us"] = Percentile(turnarounds, 0.99);
    tulex::bench::ReportFigure(state, {"ms, 182 bare round trips at " + std::to_string(speed), ms,
                                       "line-bound time, ms", LineBoundMs(speed), "-"});
}
BENCHMARK(BM_BareRoundTrips)->Arg(115200)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
