// Graph component figures: PlotXY cost per point up to a full store while the window repaints,
// one repaint of a 1000-pixel-wide plot, AutoRange per call, and memory per point.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

#include "graph_model.h"
#include "graph_painter.h"
#include "graph_widget.h"

using namespace orva::graph;

namespace {

constexpr int kFullStore = 3'600'001;

double Load(int i) {
    return 50 * std::sin(i * 1e-4) + 3 * std::sin(i * 0.37);
}

void SetUp(GraphModel& g) {
    g.SetCurveColor(0x0000FFFF);
    g.SetShowGrid(true);
    g.SetXGridCount(10);
    g.SetYGridCount(20);
    g.SetCaption("   ");
    g.SetPlotOption(5);
    g.SetXLabel("Time/s");
    g.SetYLabel(" N");
    g.SetCurveStyle(2);
}

void Fill(GraphModel& g, int n) {
    for (int i = 0; i < n; ++i) g.PlotXY(i * 0.001, Load(i), 0);
    g.AutoRange();
}

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// A worker plots a full store while the shown window repaints on this (the UI) thread.
void BM_PlotXYFromWorkerWhileRepainting(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    double worstBatchUs = 0;
    double totalSeconds = 0;
    for (auto _ : state) {
        GraphWidget w;
        w.resize(1080, 480);
        SetUp(*w.model());
        w.model()->SetRange(0, n * 0.001, -60, 60);
        w.show();
        QApplication::processEvents();
        std::atomic<bool> done{false};
        double seconds = 0;
        std::thread worker([&] {
            GraphModel& g = *w.model();
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            auto batchStart = start;
            for (int i = 0; i < n; ++i) {
                g.PlotXY(i * 0.001, Load(i), 0);
                if ((i & 255) == 255) {
                    const auto now = Clock::now();
                    worstBatchUs = std::max(
                        worstBatchUs, std::chrono::duration<double, std::micro>(now - batchStart).count());
                    batchStart = now;
                }
            }
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            done = true;
        });
        // The window repaints at its timer's rate meanwhile.
        while (!done.load()) QApplication::processEvents(QEventLoop::AllEvents, 5);
        worker.join();
        state.SetIterationTime(seconds);
        totalSeconds += seconds;
    }
    state.counters["ns_per_point"] = totalSeconds * 1e9 / (static_cast<double>(n) * state.iterations());
    state.counters["worst_256_batch_us"] = worstBatchUs;
    state.SetItemsProcessed(static_cast<std::int64_t>(n) * state.iterations());
}
BENCHMARK(BM_PlotXYFromWorkerWhileRepainting)
    ->Arg(kFullStore)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// One full repaint with the plot area exactly 1000 pixels wide.
void BM_Repaint1000Pixels(benchmark::State& state) {
    GraphModel g;
    SetUp(g);
    Fill(g, static_cast<int>(state.range(0)));
    std::vector<Run> scratch;
    QImage probe(1100, 480, QImage::Format_RGB32);
    int width = 1100;
    {
        QPainter p(&probe);
        width += 1000 - PaintGraph(p, probe.rect(), g, scratch).plot.width();
    }
    QImage image(width, 480, QImage::Format_RGB32);
    int plotWidth = 0;
    for (auto _ : state) {
        QPainter p(&image);
        plotWidth = PaintGraph(p, image.rect(), g, scratch).plot.width();
    }
    state.counters["plot_width_px"] = plotWidth;
}
BENCHMARK(BM_Repaint1000Pixels)->Arg(10'000)->Arg(kFullStore)->Unit(benchmark::kMicrosecond);

// AutoRange with a full store: running bounds, so the number of points does not matter.
void BM_AutoRange(benchmark::State& state) {
    GraphModel g;
    Fill(g, static_cast<int>(state.range(0)));
    for (auto _ : state) g.AutoRange();
}
BENCHMARK(BM_AutoRange)->Arg(1)->Arg(kFullStore);

// The stop's replot followed by AutoRange after each point, as the unit change does.
void BM_PlotXYThenAutoRange(benchmark::State& state) {
    GraphModel g;
    int i = 0;
    for (auto _ : state) {
        if (i == kFullStore) {
            state.PauseTiming();
            g.ClearGraph();
            i = 0;
            state.ResumeTiming();
        }
        g.PlotXY(i * 0.001, Load(i), 0);
        g.AutoRange();
        ++i;
    }
}
BENCHMARK(BM_PlotXYThenAutoRange);

// Resident memory added by a full store, per point.
void BM_MemoryPerPoint(benchmark::State& state) {
    double perPoint = 0;
    for (auto _ : state) {
        const long before = ResidentBytes();
        auto g = std::make_unique<GraphModel>();
        Fill(*g, kFullStore);
        perPoint = static_cast<double>(ResidentBytes() - before) / kFullStore;
        benchmark::DoNotOptimize(g->PointCount(0));
    }
    state.counters["bytes_per_point"] = perPoint;
}
BENCHMARK(BM_MemoryPerPoint)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
