// The window under a flood of card events, as an operator sees it: how long
// the event loop takes to answer (a probe posted from another thread every
// 5 ms, like the X server's ping) during the flood and for a second after
// it, and how much the process grows per 100,000 events. The events cross a
// pseudo-terminal into the real port and receive thread of a whole window
// (offscreen). Beside each flood the same probe runs on the idle window in
// the same run: that is the reference the flood's latency is read against.
//
//   window_bench --benchmark_counters_tabular=true
//
// Counters: p50_ms / p99_ms / max_ms (probe latency), idle_p99_ms (the
// reference), rss_MB_per_100k, popup_windows (top-level pop-ups at the end),
// listed (events in the event list).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMetaObject>
#include <QThread>

#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/EventFeed.h"
#include "app/LineSession.h"
#include "bench/Proc.h"
#include "gui/EventListPanel.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "gui/PopupWindow.h"
#include "tests/support/Pty.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double ResidentMegabytes() { return tulex::bench::StatusBytes(getpid(), "VmRSS:") / (1024.0 * 1024.0); }

// Posts a probe to the GUI thread every 5 ms and records how long each took
// to run there.
class LoopProbe {
public:
    void Start() {
        running_ = true;
        thread_ = std::thread([this] {
            while (running_) {
                const auto sent = Clock::now();
                QMetaObject::invokeMethod(
                    qApp,
                    [this, sent] {
                        std::lock_guard lock(mutex_);
                        samples_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                    },
                    Qt::QueuedConnection);
                std::this_thread::sleep_for(5ms);
            }
        });
    }
    void Stop() {
        running_ = false;
        thread_.join();
        QCoreApplication::processEvents();
    }
    std::vector<double> Samples() {
        std::lock_guard lock(mutex_);
        std::vector<double> out = samples_;
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::atomic<bool> running_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<double> samples_;
};

double Quantile(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) return 0;
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(q * static_cast<double>(sorted.size())))];
}

// Runs the GUI thread's loop for a while.
void Spin(Clock::duration span) {
    const auto until = Clock::now() + span;
    while (Clock::now() < until) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

std::string CardFrames(std::size_t first, std::size_t count) {
    std::string frames;
    frames.reserve(count * 16);
    for (std::size_t n = first; n < first + count; ++n) {
        const std::string number = std::to_string(1000000000 + n % 1000000000);
        frames += "G;" + number + "02?";
    }
    return frames;
}

// state.range(0): events per second (0: as fast as the line takes them);
// state.range(1): events per iteration.
void BM_CardFloodIntoTheWindow(benchmark::State& state) {
    const auto rate = static_cast<std::size_t>(state.range(0));
    const auto events = static_cast<std::size_t>(state.range(1));
    tulex::test::Pty pty;
    tulex::MainView view(QStringList{"tulex"});
    view.window().show();
    view.window().eventList->show();
    view.OpenPort(QString::fromStdString(pty.slavePath()), "115200");
    if (!view.session().IsPortOpen()) {
        state.SkipWithError("the port did not open");
        return;
    }
    Spin(300ms);

    // The reference: the same probe on the idle window.
    LoopProbe idle;
    idle.Start();
    Spin(1s);
    idle.Stop();
    const std::vector<double> idleSamples = idle.Samples();

    double rssPer100k = 0;
    std::vector<double> samples;
    std::size_t sent = 0;
    for (auto _ : state) {
        const double rssBefore = ResidentMegabytes();
        const std::size_t listedBefore = view.session().events().Count();
        LoopProbe probe;
        probe.Start();
        std::atomic<bool> done{false};
        std::thread line([&] {
            constexpr std::size_t kBatch = 64;
            const auto start = Clock::now();
            for (std::size_t n = 0; n < events; n += kBatch) {
                pty.Send(CardFrames(sent + n, std::min(kBatch, events - n)));
                if (rate > 0) std::this_thread::sleep_until(start + (n + kBatch) * 1'000'000us / rate);
            }
            done = true;
        });
        while (!done || view.session().events().Count() < listedBefore + events) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (done && view.session().events().Count() >= listedBefore + events) break;
        }
        line.join();
        Spin(1s);  // "and still after the stream ended"
        probe.Stop();
        sent += events;
        const std::vector<double> s = probe.Samples();
        samples.insert(samples.end(), s.begin(), s.end());
        rssPer100k = (ResidentMegabytes() - rssBefore) * 100'000.0 / static_cast<double>(events);
    }
    std::sort(samples.begin(), samples.end());
    int popupWindows = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<tulex::PopupWindow*>(top)) ++popupWindows;
    state.counters["p50_ms"] = Quantile(samples, 0.50);
    state.counters["p99_ms"] = Quantile(samples, 0.99);
    state.counters["max_ms"] = samples.empty() ? 0 : samples.back();
    state.counters["idle_p99_ms"] = Quantile(idleSamples, 0.99);
    state.counters["rss_MB_per_100k"] = rssPer100k;
    state.counters["popup_windows"] = popupWindows;
    state.counters["listed"] = static_cast<double>(view.session().events().Count());
    state.SetItemsProcessed(static_cast<std::int64_t>(sent));
}
BENCHMARK(BM_CardFloodIntoTheWindow)
    ->Args({768, 10'000})
    ->Args({0, 100'000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
