// The window's costs, as the operator sees them, each next to a reference
// measured in the same run:
//   - start-up: from starting the process to the first painted frame of the
//     window (the start of tulex's main, done by a child process of this
//     program), next to an empty Qt window started the same way;
//   - a flood of card events (and one of "!") on a real pty with the monitor
//     open: the event loop's latency (a ping queued to the GUI thread every
//     10 ms) while the flood lasts and after it, next to the same ping on the
//     idle window, and the resident memory it leaves per 100 000 events next
//     to what the monitor itself keeps for them; CPU and top-level windows
//     as counters;
//   - wake-ups per second of the idle window with the monitor open, next to
//     an idle `cat` on a pty;
//   - the monitor taking in lines (100,000 at a time) and painting at a
//     million.
// The offscreen platform unless QT_QPA_PLATFORM says otherwise (scripts/bench
// runs it under Xvfb when it can).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/LineSession.h"
#include "bench/Figure.h"
#include "bench/Proc.h"
#include "display/TrafficLog.h"
#include "gui/AppIcon.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "gui/MonitorView.h"
#include "gui/MonitorWindow.h"
#include "tests/support/Pty.h"

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

// --- start-up to the first painted frame

constexpr const char* kFirstPaintFd = "TULEX_BENCH_FIRST_PAINT_FD";

// The child: starts as tulex's main does (or with an empty window), and
// writes one byte to the descriptor once the first frame is painted.
int RunFirstPaintChild(int argc, char** argv, bool tulex) {
    const int fd = std::atoi(std::getenv(kFirstPaintFd));
    QApplication app(argc, argv);
    struct FirstPaint final : QObject {
        int fd;
        bool seen = false;
        explicit FirstPaint(int f) : fd(f) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && !seen) {
                seen = true;
                // Once this paint and the rest of the frame are done.
                QTimer::singleShot(0, [this] {
                    const char byte = 1;
                    [[maybe_unused]] const auto n = ::write(fd, &byte, 1);
                    std::_Exit(0);
                });
            }
            return false;
        }
    } firstPaint(fd);
    app.installEventFilter(&firstPaint);
    if (!tulex) {
        QWidget window;
        window.resize(tulex::MainWindow::kClientWidth, tulex::MainWindow::kClientHeight);
        window.show();
        return QApplication::exec();
    }
    QApplication::setApplicationName(QStringLiteral("ТУЛЕКС"));
    QApplication::setDesktopFileName(tulex::DesktopId());
    QApplication::setWindowIcon(tulex::AppIcon());
    tulex::MainView view(QStringList{"tulex"});
    view.window().CentreOnScreen();
    view.window().show();
    return QApplication::exec();
}

// Milliseconds from starting the child to its first painted frame.
double StartToFirstPaintMs(const char* mode) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const auto start = Steady::now();
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        setenv(kFirstPaintFd, std::to_string(fds[1]).c_str(), 1);
        execl("/proc/self/exe", "gui_bench", mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(fds[1]);
    char byte = 0;
    pollfd p{fds[0], POLLIN, 0};
    const bool painted = ::poll(&p, 1, 30000) == 1 && ::read(fds[0], &byte, 1) == 1;
    const double ms = std::chrono::duration<double, std::milli>(Steady::now() - start).count();
    ::close(fds[0]);
    tulex::bench::Stop(pid, SIGKILL);
    return painted ? ms : -1;
}

void BM_StartToFirstPaint(benchmark::State& state) {
    std::vector<double> window;
    std::vector<double> empty;
    for (auto _ : state) {
        empty.push_back(StartToFirstPaintMs("--first-paint-empty"));
        window.push_back(StartToFirstPaintMs("--first-paint-tulex"));
    }
    if (std::count(window.begin(), window.end(), -1.0) || std::count(empty.begin(), empty.end(), -1.0))
        return state.SkipWithError("a child painted nothing");
    std::sort(window.begin(), window.end());
    std::sort(empty.begin(), empty.end());
    tulex::bench::ReportFigure(state, {"ms, start to first paint (median)", window[window.size() / 2],
                                       "empty Qt window, ms", empty[empty.size() / 2], "< 250"});
}
BENCHMARK(BM_StartToFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window built, shown and painted once, in this process.
void BM_StartUp(benchmark::State& state) {
    for (auto _ : state) {
        tulex::MainView view(QStringList{"tulex"});
        view.window().show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(view.window().grab());
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

// --- floods and the event loop's latency

double ResidentBytes() { return tulex::bench::StatusBytes(getpid(), "VmRSS:"); }

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

// Runs the GUI thread's event loop for the time.
void RunEventLoop(std::chrono::milliseconds span) {
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
}

// Queues a ping to the GUI thread every 10 ms and keeps how long each took
// to run there, by phase.
class Pinger {
public:
    Pinger() : thread_([this] { Run(); }) {}
    ~Pinger() {
        stop_ = true;
        thread_.join();
        QApplication::processEvents();  // the last pings, before `this` goes
    }
    void SetPhase(int phase) { phase_ = phase; }
    // Latencies in ms of one phase (GUI thread).
    std::vector<double> Phase(int phase) const {
        const auto it = latencies_.find(phase);
        return it == latencies_.end() ? std::vector<double>() : it->second;
    }
    std::size_t mostTopLevels = 0;

private:
    void Run() {
        while (!stop_) {
            const auto sent = Steady::now();
            const int phase = phase_;
            QMetaObject::invokeMethod(
                &receiver_,
                [this, sent, phase] {
                    latencies_[phase].push_back(
                        std::chrono::duration<double, std::milli>(Steady::now() - sent).count());
                    if (++pings_ % 10 == 0)
                        mostTopLevels = std::max<std::size_t>(mostTopLevels, QApplication::topLevelWidgets().size());
                },
                Qt::QueuedConnection);
            std::this_thread::sleep_for(10ms);
        }
    }

    QObject receiver_;  // lives on the GUI thread
    std::map<int, std::vector<double>> latencies_;
    std::size_t pings_ = 0;
    std::atomic<int> phase_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct FloodResult {
    std::string error;
    double events = 0;
    double idleP99 = 0, floodP99 = 0, afterP99 = 0, floodMax = 0, afterMax = 0;
    double grownOver = 0;       // the events after the flood's first second
    double residentGrowth = 0;  // bytes, from the flood's first second to after it settled
    double monitorGrowth = 0;   // bytes the monitor's store took for the same lines
    double cpuPercent = 0;      // the process, during the flood
    double topLevels = 0;
};

// The window with the monitor open on a pty; `frame` is put on the line
// `rate` times a second for `seconds`, then the window is watched for as
// long again as it settles.
FloodResult Flood(const std::string& frame, int rate, int seconds) {
    FloodResult result;
    tulex::test::Pty pty;
    tulex::MainView view(QStringList{"tulex"});
    view.window().show();
    view.ShowMonitor();
    view.OpenPort(QString::fromStdString(pty.slavePath()), "115200");
    if (!view.session().IsPortOpen()) {
        result.error = "the port did not open";
        return result;
    }
    Pinger pinger;
    RunEventLoop(2s);  // idle: the reference
    const double cpuBefore = CpuSeconds();
    pinger.SetPhase(1);
    std::atomic<long> sent{0};
    std::thread feeder([&] {
        // Paced in 10 ms steps, as a line delivers them.
        const int steps = seconds * 100;
        const auto start = Steady::now();
        std::string batch;
        for (int step = 0; step < steps; ++step) {
            const long due = static_cast<long>(rate) * (step + 1) / 100;
            batch.clear();
            for (long i = sent; i < due; ++i) batch += frame;
            pty.Send(batch);
            sent = due;
            std::this_thread::sleep_until(start + 10ms * (step + 1));
        }
    });
    const auto floodStart = Steady::now();
    // The first second warms up what the first events build once (fonts,
    // the pop-ups' windows, the list's first blocks): memory is counted from
    // there, so that the growth per event is what goes on growing.
    RunEventLoop(1s);
    const double residentWarm = ResidentBytes();
    const double monitorWarm = static_cast<double>(view.session().monitor().MemoryBytes());
    const long sentWarm = sent;
    RunEventLoop(std::chrono::seconds(seconds - 1));  // longer when the loop is swamped
    feeder.join();
    const double cpuFlood = CpuSeconds() - cpuBefore;
    const double floodSeconds = std::chrono::duration<double>(Steady::now() - floodStart).count();
    pinger.SetPhase(2);
    RunEventLoop(std::chrono::seconds(std::max(3, seconds / 2)));
    result.events = static_cast<double>(sent);
    result.grownOver = static_cast<double>(sent - sentWarm);
    result.residentGrowth = ResidentBytes() - residentWarm;
    result.monitorGrowth = static_cast<double>(view.session().monitor().MemoryBytes()) - monitorWarm;
    result.cpuPercent = cpuFlood / floodSeconds * 100;
    result.idleP99 = Percentile(pinger.Phase(0), 0.99);
    result.floodP99 = Percentile(pinger.Phase(1), 0.99);
    result.afterP99 = Percentile(pinger.Phase(2), 0.99);
    result.floodMax = Percentile(pinger.Phase(1), 1.0);
    result.afterMax = Percentile(pinger.Phase(2), 1.0);
    result.topLevels = static_cast<double>(pinger.mostTopLevels);
    view.session().ClosePort();
    return result;
}

// kind 0: card events at 768/s; kind 1: "!" at 11 520/s. Each run once for
// the figures that share it.
const FloodResult& MeasureFlood(int kind) {
    static std::map<int, FloodResult> results;
    auto it = results.find(kind);
    if (it == results.end())
        it = results.emplace(kind, kind == 0 ? Flood("G;123456789000?", 768, 10) : Flood("!", 11520, 10)).first;
    return it->second;
}

const char* FloodName(int kind) { return kind == 0 ? "768 card events/s" : "11 520 \"!\"/s"; }

void FloodCounters(benchmark::State& state, const FloodResult& r) {
    state.counters["events"] = r.events;
    state.counters["cpu_percent"] = r.cpuPercent;
    state.counters["top_levels_max"] = r.topLevels;
    state.counters["idle_p99_ms"] = r.idleP99;
    state.counters["flood_p99_ms"] = r.floodP99;
    state.counters["flood_max_ms"] = r.floodMax;
    state.counters["after_p99_ms"] = r.afterP99;
    state.counters["after_max_ms"] = r.afterMax;
}

void BM_FloodLatencyDuring(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const FloodResult* r = nullptr;
    for (auto _ : state) r = &MeasureFlood(kind);
    if (!r->error.empty()) return state.SkipWithError(r->error.c_str());
    FloodCounters(state, *r);
    tulex::bench::ReportFigure(state, {std::string("ms, event-loop ping p99 during ") + FloodName(kind), r->floodP99,
                                       "idle window, ping p99 ms", r->idleP99, "< 100"});
}
BENCHMARK(BM_FloodLatencyDuring)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FloodLatencyAfter(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const FloodResult* r = nullptr;
    for (auto _ : state) r = &MeasureFlood(kind);
    if (!r->error.empty()) return state.SkipWithError(r->error.c_str());
    tulex::bench::ReportFigure(state, {std::string("ms, ping p99 after ") + FloodName(kind), r->afterP99,
                                       "idle window, ping p99 ms", r->idleP99, "< 100"});
}
BENCHMARK(BM_FloodLatencyAfter)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FloodMemory(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const FloodResult* r = nullptr;
    for (auto _ : state) r = &MeasureFlood(kind);
    if (!r->error.empty()) return state.SkipWithError(r->error.c_str());
    const double per100k = 100'000 / std::max(1.0, r->grownOver) / 1e6;
    tulex::bench::ReportFigure(
        state, {std::string("MB RSS growth per 100 k events, ") + FloodName(kind), r->residentGrowth * per100k,
                "the monitor's own store, MB per 100 k", r->monitorGrowth * per100k, "< 10"});
}
BENCHMARK(BM_FloodMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// --- the idle window

void BM_IdleWindowWakeups(benchmark::State& state) {
    constexpr auto kSpan = 5s;
    double window = 0;
    double cat = 0;
    for (auto _ : state) {
        tulex::test::Pty catPty;
        const pid_t catPid = tulex::bench::Spawn({"cat"}, catPty.slavePath());
        tulex::test::Pty pty;
        tulex::MainView view(QStringList{"tulex"});
        view.window().show();
        view.ShowMonitor();
        view.OpenPort(QString::fromStdString(pty.slavePath()), "115200");
        RunEventLoop(1s);  // past the start: the window painted, the opening line shown
        const long windowBefore = tulex::bench::ProcessSwitches(getpid());
        const long catBefore = tulex::bench::ProcessSwitches(catPid);
        RunEventLoop(kSpan);  // its one timer ends the span: one wake-up
        const double seconds = std::chrono::duration<double>(kSpan).count();
        window = static_cast<double>(tulex::bench::ProcessSwitches(getpid()) - windowBefore - 1) / seconds;
        cat = static_cast<double>(tulex::bench::ProcessSwitches(catPid) - catBefore) / seconds;
        tulex::bench::Stop(catPid);
        view.session().ClosePort();
    }
    tulex::bench::ReportFigure(
        state, {"wake-ups/s, idle window, monitor open", window, "idle cat on a pty, wake-ups/s", cat, "0"});
}
BENCHMARK(BM_IdleWindowWakeups)->Iterations(1)->Unit(benchmark::kMillisecond);

// --- the monitor

// Lines added by another thread's pace, picked up by the view on its tick:
// here one tick per `batch` lines, each tick followed by a repaint.
void BM_MonitorAppend100k(benchmark::State& state) {
    const auto batch = static_cast<std::size_t>(state.range(0));
    const std::string text = "   COM1   \x97\x97>   G   \x97   Card event 0123456789AB";
    for (auto _ : state) {
        tulex::TrafficLog list;
        list.SetWindowExists(true);
        tulex::TrafficLogStore store(list);
        tulex::MonitorView view;
        view.setFont(tulex::MonitorWindow::MonitorFont());
        view.resize(692, 200);
        view.setTickInterval(1 << 30);
        view.setStore(&store);
        view.show();
        // Painting into an image of our own forces a full paint every time.
        QImage canvas(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        for (std::size_t i = 0; i < 100'000; ++i) {
            list.Add(text);
            if ((i + 1) % batch == 0) {
                view.refresh();
                view.viewport()->render(&canvas);
            }
        }
        view.refresh();
        view.viewport()->render(&canvas);
        if (view.shownCount() != 100'000) state.SkipWithError("lines lost");
        QApplication::processEvents();  // the view's queued change calls, before it goes
    }
    state.SetItemsProcessed(state.iterations() * 100'000);
}
BENCHMARK(BM_MonitorAppend100k)->Arg(100)->Arg(1000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// One repaint of a full view with a million lines in the store.
void BM_MonitorPaintAtAMillion(benchmark::State& state) {
    tulex::TrafficLog list;
    list.SetWindowExists(true);
    for (int i = 0; i < 1'000'000; ++i) list.Add("   COM1   \x97\x97>   ", "OK");
    tulex::TrafficLogStore store(list);
    tulex::MonitorView view;
    view.setFont(tulex::MonitorWindow::MonitorFont());
    view.resize(692, 200);
    view.setStore(&store);
    view.show();
    QImage canvas(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        list.Add("   COM1   \x97\x97>   ", "OK");
        view.refresh();
        view.viewport()->render(&canvas);
    }
    QApplication::processEvents();
}
BENCHMARK(BM_MonitorPaintAtAMillion)->Unit(benchmark::kMicrosecond);

// Setting a filter on a monitor of a million lines (a quarter of them card
// events of 20 controllers) and painting the first screen of the result:
// what the operator waits for after ticking a kind or typing an index.
// Goal: under 100 ms.
void BM_MonitorFilterAtAMillion(benchmark::State& state) {
    tulex::TrafficLog list;
    list.SetWindowExists(true);
    const std::string received = "   COM1   \x97\x97>   ";
    for (int i = 0; i < 1'000'000; ++i) {
        const char index = static_cast<char>(0x47 + i % 20);
        if (i % 4 == 2)
            list.Add(received, std::string(1, index) + ";123456789000?");
        else
            list.Add(received, "OK", static_cast<std::uint8_t>(index));
    }
    tulex::TrafficLogStore store(list);
    tulex::MonitorView view;
    view.setFont(tulex::MonitorWindow::MonitorFont());
    view.resize(692, 200);
    view.setStore(&store);
    view.show();
    QImage canvas(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    tulex::MonitorFilter filter;
    if (state.range(0) == 0) filter.kinds = static_cast<std::uint8_t>(tulex::MonitorLineKind::Card);
    if (state.range(0) == 1) filter.index = 0x48;
    for (auto _ : state) {
        view.setFilter(filter);
        view.viewport()->render(&canvas);
        state.PauseTiming();
        view.setFilter({});
        state.ResumeTiming();
    }
    state.SetLabel(state.range(0) == 0 ? "card events" : "index H");
}
BENCHMARK(BM_MonitorFilterAtAMillion)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 2 && std::getenv(kFirstPaintFd)) {
        const std::string mode = argv[1];
        if (mode == "--first-paint-tulex" || mode == "--first-paint-empty")
            return RunFirstPaintChild(argc, argv, mode == "--first-paint-tulex");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
