// The window's costs: start-up (logic, widgets, first paint) and the
// monitor taking in lines, 100,000 at a time, on the offscreen platform.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <string>

#include "app/LineSession.h"
#include "display/TrafficLog.h"
#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "gui/MonitorView.h"
#include "gui/MonitorWindow.h"

namespace {

void BM_StartUp(benchmark::State& state) {
    for (auto _ : state) {
        tulex::MainView view(QStringList{"tulex"});
        view.window().show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(view.window().grab());
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

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
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
