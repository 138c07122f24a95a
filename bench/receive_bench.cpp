// The receive engine with the monitor attached: frames and bytes per second
// through a real pty, the CPU cost of routing one frame, the time from a
// frame's arrival to its monitor line, and wake-ups while the line is idle.
// Goal: minimum-size frames at 921600 bit/s (92 160 bytes/s) and no wake-ups
// on an idle line.

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "controller/LineStatistics.h"
#include "display/TrafficLog.h"
#include "line/FrameReader.h"
#include "line/FrameRouter.h"
#include "tests/support/Pty.h"

namespace {

using namespace std::chrono_literals;
using namespace tulex;

// A screen that draws nothing.
class NullView final : public View {
public:
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> InputQuery(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void SetCommandControlsEnabled(bool) override {}
    void SetPortControlsEnabled(bool) override {}
    void SetStatusPanel(int, const std::string&) override {}
    void RepaintMap() override {}
    void ShowCardPopup(std::uint8_t, const std::string&, const std::string&) override {}
    void RemoveAllCardPopups() override {}
    void ShowBalloon(std::uint8_t, const std::string&, const std::string&, Colour) override {}
    void SetBalloonText(const std::string&) override {}
    void RemoveBalloon() override {}
    void ShowSensorPopup(std::uint8_t, const std::string&) override {}
    void RemoveSensorPopup() override {}
    void OpenCommandMenu(std::uint8_t) override {}
};

// The engine on a pty with the monitor window open.
struct Engine {
    test::Pty pty;
    QueueDispatcher dispatcher;
    NullView view;
    std::unique_ptr<LineSession> session = std::make_unique<LineSession>(view, dispatcher);

    bool Open() {
        session->monitor().SetWindowExists(true);
        session->OpenPort(pty.slavePath(), "921600");
        return session->IsPortOpen();
    }
    // Waits (spinning briefly, then yielding) until the monitor holds n lines.
    bool WaitForLines(std::size_t n, std::chrono::milliseconds limit = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (session->monitor().Count() < n) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::yield();
        }
        return true;
    }
    ~Engine() {
        session->ClosePort();
        session.reset();
    }
};

// Frames and bytes per second: a burst of frames, then wait for their lines.
void Throughput(benchmark::State& state, const std::string& frame) {
    Engine engine;
    if (!engine.Open()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const std::size_t frames = 20000;
    std::string burst;
    for (std::size_t i = 0; i < frames; ++i) burst += frame;
    std::int64_t total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        engine.session->monitor().Clear();
        engine.dispatcher.ProcessPending();  // counters and repaints of the last burst
        state.ResumeTiming();
        engine.pty.Send(burst);
        if (!engine.WaitForLines(frames)) {
            state.SkipWithError("frames lost");
            return;
        }
        total += static_cast<std::int64_t>(frames);
    }
    state.SetItemsProcessed(total);
    state.SetBytesProcessed(total * static_cast<std::int64_t>(frame.size()));
}

void BM_Acknowledgements(benchmark::State& state) { Throughput(state, "!"); }
BENCHMARK(BM_Acknowledgements)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShortDataReplies(benchmark::State& state) { Throughput(state, "G:01?"); }
BENCHMARK(BM_ShortDataReplies)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CardEvents(benchmark::State& state) { Throughput(state, "G;123456789000?"); }
BENCHMARK(BM_CardEvents)->Unit(benchmark::kMillisecond)->UseRealTime();

// CPU cost of routing one completed frame (monitor line, map, events),
// without the port.
void BM_RouteOneFrame(benchmark::State& state) {
    QueueDispatcher dispatcher;
    NullView view;
    LineSession session(view, dispatcher);
    session.monitor().SetWindowExists(true);
    FrameReader reader;
    LineEvents& events = session;
    const std::string frame = state.range(0) == 0 ? "!" : "G:0123?";
    std::int64_t n = 0;
    for (auto _ : state) {
        events.OnFrameStart();  // as the receive loop does at a frame's first byte
        for (const char c : frame) reader.Feed(static_cast<std::uint8_t>(c));
        RouteFrame(reader, session);
        if (++n % 100000 == 0) {
            state.PauseTiming();
            session.monitor().Clear();
            dispatcher.ProcessPending();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(n);
    state.SetLabel(frame);
}
BENCHMARK(BM_RouteOneFrame)->Arg(0)->Arg(1);

// The per-controller statistics' share of routing one frame: the calls the
// session makes for a frame, on the steady clock; read beside
// BM_RouteOneFrame. Arg 0: an acknowledgement nobody asked for; 1: a card
// event (a frame that names its controller); 2: every other frame a request
// and its data reply, timed exactly (a command's path, paced by the line).
void BM_StatisticsOfOneFrame(benchmark::State& state) {
    LineStatistics statistics(Clock::Steady(), std::chrono::milliseconds(3000));
    const std::int64_t path = state.range(0);
    std::int64_t n = 0;
    for (auto _ : state) {
        if (path == 2 && n % 2 == 0) statistics.RequestWritten(0x47);
        statistics.FrameStarted();
        if (path == 0)
            statistics.ReplyHeard(HeardKind::Ack);
        else
            statistics.Heard(0x47, path == 1 ? HeardKind::Card : HeardKind::Data);
        ++n;
    }
    state.SetItemsProcessed(n);
    const char* const labels[] = {"!", "G;123456789000?", "G:0123? (every other one a request's answer)"};
    state.SetLabel(labels[path]);
}
BENCHMARK(BM_StatisticsOfOneFrame)->DenseRange(0, 2);

// The monitor's filter over a million lines (a mixed line: sent frames,
// acknowledgements, card events of several controllers): the numbers of the
// lines that pass, as the monitor window collects them when a filter is set.
void BM_MonitorFilterMillionLines(benchmark::State& state) {
    TrafficLog log;
    log.SetWindowExists(true);
    const std::string received = "   COM1   \x97\x97>   ";
    const std::string sent = "   COM1   <\x97\x97   ";
    for (int i = 0; i < 1'000'000; ++i) {
        const auto index = static_cast<std::uint8_t>(0x47 + i % 20);
        switch (i % 4) {
        case 0: log.Add(sent, std::string(1, static_cast<char>(index)) + "   \x97   request", index); break;
        case 1: log.Add(received, "OK", index); break;
        case 2: log.Add(received, std::string(1, static_cast<char>(index)) + ";123456789000?"); break;
        default: log.Add(received, std::string(1, static_cast<char>(index)) + ":47?"); break;
        }
    }
    MonitorFilter filter;
    if (state.range(0) == 0) filter.kinds = static_cast<std::uint8_t>(MonitorLineKind::Card);
    if (state.range(0) == 1) filter.index = 0x48;
    std::vector<std::uint32_t> rows;
    for (auto _ : state) {
        rows.clear();
        log.Matching(filter, 0, rows);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = static_cast<double>(rows.size());
    state.SetLabel(state.range(0) == 0 ? "card events" : "index H");
}
BENCHMARK(BM_MonitorFilterMillionLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// From writing one acknowledgement on the line to its monitor line.
void BM_ArrivalToMonitorLine(benchmark::State& state) {
    Engine engine;
    if (!engine.Open()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    for (auto _ : state) {
        const std::size_t before = engine.session->monitor().Count();
        const auto start = std::chrono::steady_clock::now();
        engine.pty.Send("!");
        while (engine.session->monitor().Count() <= before) {
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.PauseTiming();
        std::this_thread::sleep_for(1ms);  // let the receive thread fall asleep again
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ArrivalToMonitorLine)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

long ContextSwitches() {
    long total = 0;
    DIR* dir = opendir("/proc/self/task");
    if (!dir) return -1;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(std::string("/proc/self/task/") + e->d_name + "/status");
        std::string key;
        while (in >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                long v = 0;
                in >> v;
                total += v;
            }
        }
    }
    closedir(dir);
    return total;
}

// Wake-ups per second of every thread but this one while the port is open
// and the line is silent (the receive thread is the only other thread).
void BM_IdleWakeupsPerSecond(benchmark::State& state) {
    Engine engine;
    if (!engine.Open()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    std::this_thread::sleep_for(50ms);
    double wakeups = 0;
    for (auto _ : state) {
        const long before = ContextSwitches();
        std::this_thread::sleep_for(1s);  // this thread: one switch in, one out
        const long after = ContextSwitches();
        wakeups = static_cast<double>(after - before - 1);
    }
    state.counters["wakeups_per_s"] = wakeups;
}
BENCHMARK(BM_IdleWakeupsPerSecond)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

long ResidentBytes() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * 4096;
}

// A million monitor lines of one kind, added the way the session adds them
// (shared prefix, frame text): the store's bytes and the process's resident
// growth per line, next to the line's own length in the saved file.
void MonitorMemory(benchmark::State& state, std::string_view text) {
    const std::string prefix = "   COM1   \x97\x97>   ";
    constexpr int kLines = 1'000'000;
    double storeBytes = 0;
    double residentBytes = 0;
    for (auto _ : state) {
        const long before = ResidentBytes();
        TrafficLog log;
        log.SetWindowExists(true);
        for (int i = 0; i < kLines; ++i) log.Add(prefix, text);
        storeBytes = static_cast<double>(log.MemoryBytes()) / kLines;
        residentBytes = static_cast<double>(ResidentBytes() - before) / kLines;
        benchmark::DoNotOptimize(log.Line(kLines - 1));
    }
    state.counters["store_B_per_line"] = storeBytes;
    state.counters["rss_B_per_line"] = residentBytes;
    // The reference: what the line is in the saved file (stamp, prefix, text, CR LF).
    state.counters["saved_B_per_line"] = static_cast<double>(8 + prefix.size() + text.size() + 2);
}
void BM_MonitorMemoryAcknowledgements(benchmark::State& state) { MonitorMemory(state, "OK"); }
BENCHMARK(BM_MonitorMemoryAcknowledgements)->Iterations(1)->Unit(benchmark::kMillisecond);
void BM_MonitorMemoryCardEvents(benchmark::State& state) { MonitorMemory(state, "G;123456789000?"); }
BENCHMARK(BM_MonitorMemoryCardEvents)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
