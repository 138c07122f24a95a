// The receive engine with the monitor attached: frames and bytes per second
// through a real pty, the CPU cost of routing one frame, the time from a
// frame's arrival to its monitor line, and wake-ups while the line is idle.
// Goal: minimum-size frames at 921600 bit/s (92 160 bytes/s) and no wake-ups
// on an idle line.
//
// And tulex-cli as a user runs it: `listen --monitor FILE` (standard output
// to a file as well) taking a flood of a million "!" from a real pty, until
// the last line is in the file: frames per second, CPU per frame and
// memory, each next to `cat` copying the same bytes from a pty to a file in
// the same run; and the wake-ups of an idle listen next to an idle `cat`.

#include <benchmark/benchmark.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "bench/Figure.h"
#include "bench/NullView.h"
#include "bench/Proc.h"
#include "controller/LineStatistics.h"
#include "display/TrafficLog.h"
#include "line/Cp1251.h"
#include "line/FrameReader.h"
#include "line/FrameRouter.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using namespace tulex;
using bench::NullView;

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
        const long before = bench::ProcessSwitches(getpid());
        std::this_thread::sleep_for(1s);  // this thread: one switch in, one out
        const long after = bench::ProcessSwitches(getpid());
        wakeups = static_cast<double>(after - before - 1);
    }
    state.counters["wakeups_per_s"] = wakeups;
}
BENCHMARK(BM_IdleWakeupsPerSecond)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A million monitor lines of one kind, added the way the session adds them
// (shared prefix, frame text): the store's bytes and the process's resident
// growth per line, next to the line's own length in the saved file.
void MonitorMemory(benchmark::State& state, std::string_view text) {
    const std::string prefix = "   COM1   \x97\x97>   ";
    constexpr int kLines = 1'000'000;
    double storeBytes = 0;
    double residentBytes = 0;
    for (auto _ : state) {
        const double before = bench::StatusBytes(getpid(), "VmRSS:");
        TrafficLog log;
        log.SetWindowExists(true);
        for (int i = 0; i < kLines; ++i) log.Add(prefix, text);
        storeBytes = static_cast<double>(log.MemoryBytes()) / kLines;
        residentBytes = (bench::StatusBytes(getpid(), "VmRSS:") - before) / kLines;
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

// --- tulex-cli as a program

std::uintmax_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

// Waits until the file holds at least `bytes` bytes (1 ms steps).
bool WaitForFileSize(const std::string& path, std::uintmax_t bytes, std::chrono::seconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (FileSize(path) < bytes) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Writes the bytes to the line side of the pty as fast as it takes them.
void Flood(int masterFd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(masterFd, bytes.data() + done, std::min<std::size_t>(65536, bytes.size() - done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        pollfd p{masterFd, POLLIN | POLLOUT, 0};
        ::poll(&p, 1, 100);
    }
}

struct Run {
    bool ok = false;
    double seconds = 0;         // first byte written to the last byte in the file
    double cpuSeconds = 0;      // the program's, meanwhile
    double residentGrowth = 0;  // bytes, from before the flood to its end
    double peakResident = 0;    // bytes
};

// Floods a program that copies the pty's slave side to `file`, from the
// moment the file holds `readyBytes` until it holds `readyBytes + wantBytes`.
Run Measure(pid_t pid, test::Pty& pty, const std::string& file, std::uintmax_t readyBytes, std::uintmax_t wantBytes,
            const std::string& bytes) {
    Run run;
    if (pid <= 0 || !WaitForFileSize(file, readyBytes, 20s)) return run;
    std::this_thread::sleep_for(100ms);  // settled: the start's own work is done
    const double cpuBefore = bench::ProcessCpuSeconds(pid);
    const double residentBefore = bench::StatusBytes(pid, "VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    std::thread writer([&] { Flood(pty.masterFd(), bytes); });
    run.ok = WaitForFileSize(file, readyBytes + wantBytes, 300s);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    writer.join();
    run.cpuSeconds = bench::ProcessCpuSeconds(pid) - cpuBefore;
    run.residentGrowth = bench::StatusBytes(pid, "VmRSS:") - residentBefore;
    run.peakResident = bench::StatusBytes(pid, "VmHWM:");
    return run;
}

struct ListenFlood {
    std::size_t frames = 0;
    Run listen;
    Run cat;  // the reference: the pty's raw copy to a file
    std::string error;
};

// A million "!" through `tulex-cli listen --monitor FILE > OUT`, and the same
// bytes through `cat < PTY > FILE`, in the same run. Measured once for the
// three figures below.
const ListenFlood& MeasureListenFlood() {
    static const ListenFlood result = [] {
        ListenFlood flood;
        flood.frames = 1'000'000;
        const std::string bytes(flood.frames, '!');
        test::TempDir dir;
        {
            test::Pty pty;
            const std::string copy = (dir.path() / "copy").string();
            const pid_t cat = bench::Spawn({"cat"}, pty.slavePath(), copy);
            // cat has the slave open once it reads; a byte that arrives first
            // is kept in the pty for it.
            flood.cat = Measure(cat, pty, copy, 0, flood.frames, bytes);
            bench::Stop(cat);
        }
        test::Pty pty;
        const std::string monitor = (dir.path() / "monitor.txt").string();
        const std::string out = (dir.path() / "out.txt").string();
        const pid_t cli =
            bench::Spawn({TULEX_CLI_PROGRAM, "-p", pty.slavePath(), "--monitor", monitor, "listen"}, "/dev/null", out);
        // The opening line is in the file once the port is open; each "!"
        // is then one line: "HH:MM:SS   PORT   ——>   OK" and CR LF.
        const std::uintmax_t line = 8 + 3 + Utf8ToCp1251Lossy(pty.slavePath()).size() + kMarkerReceived.size() + 2 + 2;
        if (!WaitForFileSize(monitor, 1, 20s)) {
            flood.error = "tulex-cli did not open the port";
            bench::Stop(cli);
            return flood;
        }
        std::this_thread::sleep_for(50ms);
        flood.listen = Measure(cli, pty, monitor, FileSize(monitor), flood.frames * line, bytes);
        const int status = bench::Stop(cli);
        if (!flood.listen.ok) flood.error = "lines missing from the monitor file";
        if (status != 0) flood.error = "tulex-cli ended with status " + std::to_string(status);
        return flood;
    }();
    return result;
}

void BM_CliListenFramesPerSecond(benchmark::State& state) {
    const ListenFlood* flood = nullptr;
    for (auto _ : state) flood = &MeasureListenFlood();
    if (!flood->error.empty()) return state.SkipWithError(flood->error.c_str());
    const double frames = static_cast<double>(flood->frames);
    state.counters["seconds"] = flood->listen.seconds;
    state.counters["cat_seconds"] = flood->cat.seconds;
    bench::ReportFigure(state, {"frames/s, 1 M \"!\" to the file", frames / flood->listen.seconds,
                                "cat pty > file, bytes/s", frames / flood->cat.seconds, ">= 1 000 000"});
}
BENCHMARK(BM_CliListenFramesPerSecond)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CliListenCpuPerFrame(benchmark::State& state) {
    const ListenFlood* flood = nullptr;
    for (auto _ : state) flood = &MeasureListenFlood();
    if (!flood->error.empty()) return state.SkipWithError(flood->error.c_str());
    const double frames = static_cast<double>(flood->frames);
    bench::ReportFigure(state, {"CPU-us per frame", flood->listen.cpuSeconds / frames * 1e6,
                                "cat pty > file, CPU-us per byte", flood->cat.cpuSeconds / frames * 1e6, "<= 1"});
}
BENCHMARK(BM_CliListenCpuPerFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CliListenMemory(benchmark::State& state) {
    const ListenFlood* flood = nullptr;
    for (auto _ : state) flood = &MeasureListenFlood();
    if (!flood->error.empty()) return state.SkipWithError(flood->error.c_str());
    state.counters["rss_growth_MB"] = flood->listen.residentGrowth / 1e6;
    bench::ReportFigure(state, {"peak RSS, MB (growth in the flood: counter)", flood->listen.peakResident / 1e6,
                                "cat's peak RSS, MB", flood->cat.peakResident / 1e6, "flat"});
}
BENCHMARK(BM_CliListenMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Wake-ups per second of the whole tulex-cli listen process on a silent
// line, next to `cat` waiting on a silent pty, over the same seconds.
void BM_CliListenIdleWakeups(benchmark::State& state) {
    constexpr auto kSpan = 5s;
    double listen = 0;
    double cat = 0;
    for (auto _ : state) {
        test::TempDir dir;
        test::Pty catPty;
        test::Pty pty;
        const std::string monitor = (dir.path() / "monitor.txt").string();
        const pid_t catPid = bench::Spawn({"cat"}, catPty.slavePath());
        const pid_t cli = bench::Spawn({TULEX_CLI_PROGRAM, "-p", pty.slavePath(), "--monitor", monitor, "listen"});
        if (!WaitForFileSize(monitor, 1, 20s)) {
            bench::Stop(catPid);
            bench::Stop(cli);
            return state.SkipWithError("tulex-cli did not open the port");
        }
        std::this_thread::sleep_for(500ms);  // past the start and the first flush
        const long listenBefore = bench::ProcessSwitches(cli);
        const long catBefore = bench::ProcessSwitches(catPid);
        std::this_thread::sleep_for(kSpan);
        const double seconds = std::chrono::duration<double>(kSpan).count();
        listen = static_cast<double>(bench::ProcessSwitches(cli) - listenBefore) / seconds;
        cat = static_cast<double>(bench::ProcessSwitches(catPid) - catBefore) / seconds;
        bench::Stop(catPid);
        bench::Stop(cli);
    }
    bench::ReportFigure(state, {"wake-ups/s, idle listen", listen, "idle cat on a pty, wake-ups/s", cat, "0"});
}
BENCHMARK(BM_CliListenIdleWakeups)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
