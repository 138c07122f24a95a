// The audit of a plan for a full line (182 controllers, all present) against
// the bound the line itself sets: 182 parameter reads as the engine makes
// them, each request, acknowledgement, buffer-clearing frame, poll, data
// reply and closing acknowledgement crossing the line at its speed, 10 bits
// a byte (8N1), one frame at a time on the one pair of wires.
//
// The line is tulex-sim's line model on a pseudo-terminal, paced: a frame
// reaches the controllers when its last byte would have crossed the wire,
// and their answers leave one byte time after another once the wire is
// free. Argument 0 means no pacing: the engine's own cost per read.

#include <benchmark/benchmark.h>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "app/ControllerCommands.h"
#include "bench/SessionOnPty.h"
#include "controller/LineMap.h"
#include "line/Frame.h"
#include "plan/PlanRun.h"
#include "sim/SimLine.h"
#include "tests/support/Pty.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// One parameter read on the line: the request (FF FF FF FF, the index
// twice, "$$02011310111617121819", "?", check), "!", FF FD ?, FF index ?,
// the data reply (index, ":", 20 digits, "?"), "!".
constexpr int kReadBytes = 30 + 1 + 3 + 3 + 23 + 1;

// The time the line needs for the 182 reads at `speed` (0: unpaced, no bound).
double LineBoundMs(int speed) { return speed > 0 ? double{tulex::kIndexCount} * kReadBytes * 10 / speed * 1000 : 0.0; }

class PacedLine {
public:
    PacedLine(tulex::test::Pty& pty, int speed) : pty_(pty), speed_(speed) {
        for (const std::uint8_t index : tulex::LineMap::IndexTable()) line_.AddController(index);
        thread_ = std::thread([this] { Run(); });
    }
    ~PacedLine() {
        stop_ = true;
        thread_.join();
    }
    std::uint64_t BytesOnLine() const { return bytes_; }

private:
    std::chrono::nanoseconds ByteTime() const {
        return speed_ > 0 ? std::chrono::nanoseconds(10'000'000'000LL / speed_) : std::chrono::nanoseconds(0);
    }

    void Run() {
        Clock::time_point wireFree = Clock::now();
        while (!stop_) {
            pollfd p{pty_.masterFd(), POLLIN, 0};
            if (::poll(&p, 1, 5) > 0) {
                char buf[4096];
                const ssize_t n = ::read(pty_.masterFd(), buf, sizeof buf);
                if (n > 0) {
                    // The PC's bytes take the wire; the controllers have them
                    // when the last one has crossed.
                    wireFree = std::max(wireFree, Clock::now()) + ByteTime() * n;
                    bytes_ += static_cast<std::uint64_t>(n);
                    std::this_thread::sleep_until(wireFree);
                    line_.Feed(std::string_view(buf, static_cast<std::size_t>(n)), wireFree);
                }
            }
            const auto now = std::max(Clock::now(), wireFree);
            line_.Advance(now);
            const std::string out = line_.TakeOutput(now);
            if (out.empty()) continue;
            // The answers cross the wire after it is free, byte by byte time.
            wireFree = std::max(wireFree, Clock::now()) + ByteTime() * static_cast<long>(out.size());
            bytes_ += out.size();
            std::this_thread::sleep_until(wireFree);
            pty_.Send(out);
        }
    }

    tulex::test::Pty& pty_;
    const int speed_;
    tulex::sim::SimLine line_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> bytes_{0};
    std::thread thread_;
};

struct DoneObserver final : tulex::plan::RunObserver {
    void RowStarted(std::size_t) override {}
    void RowProgress(std::size_t, const std::string&, bool) override {}
    void RowEnded(std::size_t, const tulex::plan::RowResult& r) override {
        if (r.state == tulex::plan::RowState::Matched) ++matched;
    }
    void RunEnded(const tulex::plan::RunSummary&) override { ended = true; }
    std::size_t matched = 0;
    bool ended = false;
};

void BM_AuditOfAFullLine(benchmark::State& state) {
    const int speed = static_cast<int>(state.range(0));
    tulex::bench::SessionOnPty<PacedLine> on(speed);
    if (!on.Opened(state)) return;
    // Every controller of the line, planned as the simulator's default
    // registers hold them: each row is one parameter read.
    tulex::plan::Plan plan;
    for (const std::uint8_t index : tulex::LineMap::IndexTable()) {
        tulex::plan::PlannedController row;
        row.index = index;
        row.preset = tulex::Preset::DoorWithoutSensor;
        row.mode = tulex::Mode::Offline;
        plan.rows.push_back(row);
    }
    std::size_t matched = 0;
    const std::uint64_t bytesBefore = on.line.BytesOnLine();
    for (auto _ : state) {
        DoneObserver observer;
        tulex::plan::PlanRun run(on.session);
        if (!run.Start(plan, {tulex::plan::Task::Audit, std::nullopt, std::nullopt}, observer)) {
            state.SkipWithError("the audit did not start");
            return;
        }
        on.dispatcher.RunUntil([&] { return observer.ended; }, 600s);
        matched = observer.matched;
    }
    if (matched != plan.rows.size()) state.SkipWithError("not every controller was read and matched");
    state.counters["line_bound_ms"] = LineBoundMs(speed);
    state.counters["bytes_per_read"] = static_cast<double>(on.line.BytesOnLine() - bytesBefore) /
                                       static_cast<double>(state.iterations()) / tulex::kIndexCount;
    state.counters["matched"] = static_cast<double>(matched);
}
// For comparison: the same 182 reads as "Читать параметры контроллера",
// one menu command after the other, on the same paced line.
void BM_ParameterReadsOneByOne(benchmark::State& state) {
    const int speed = static_cast<int>(state.range(0));
    tulex::bench::SessionOnPty<PacedLine> on(speed);
    if (!on.Opened(state)) return;
    std::size_t reports = 0;
    for (auto _ : state) {
        reports = 0;
        for (const std::uint8_t index : tulex::LineMap::IndexTable()) {
            on.session.map().SelectIndex(index);
            on.session.controller().ReadParameters();
            on.dispatcher.RunUntil(
                [&] { return on.session.transaction().busy == 0 && on.view.commandControlsEnabled(); }, 10s);
            if (on.view.CallsOf("balloon").back().colour == tulex::kReportColour) ++reports;
        }
    }
    if (reports != tulex::kIndexCount) state.SkipWithError("not every read gave its report");
    state.counters["line_bound_ms"] = LineBoundMs(speed);
}
BENCHMARK(BM_ParameterReadsOneByOne)
    ->Arg(0)
    ->Arg(115200)
    ->Arg(9600)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

BENCHMARK(BM_AuditOfAFullLine)
    ->Arg(0)
    ->Arg(115200)
    ->Arg(9600)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
