// Benchmarks of the drawing and the meter model: a needle update plus
// composing the frame at 1000 and 3840 px, a full graph plot at 3840 px, and
// kvtool recompute over a one-hour recording.
#include "DemoData.h"
#include "GraphView.h"
#include "KvTool.h"
#include "KvdFile.h"
#include "MeterPanel.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

namespace {

void needleAndFrame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int dial = static_cast<int>(state.range(1));
    kv::MeterPanel panel;
    panel.resize(width);
    panel.style.DialType = dial;
    panel.Draw_Panel();
    // The frame the window shows: the cached panel with the needle on top.
    QImage frame(panel.panelSurface().image().size(), QImage::Format_RGB32);
    std::int32_t v = -9000;
    for (auto _ : state) {
        v = v >= 9000 ? -9000 : v + 37;
        const QRegion dirty = panel.Update_Needle(v, false);
        QPainter p(&frame);
        panel.paintOn(p, QPointF(0, 0), dirty); // as a window repaints: only what changed
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.SetLabel(std::to_string(width) + " px, dial " + std::to_string(dial));
}
BENCHMARK(needleAndFrame)
    ->Args({1000, 1})
    ->Args({3840, 1})
    ->Args({1000, 2})
    ->Args({3840, 0})
    ->Unit(benchmark::kMicrosecond);

void graphPlot(benchmark::State& state) {
    kv::GraphView graph;
    graph.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(0) / 1.6 * 3 / 5));
    graph.options.GridX = graph.options.GridY = true;
    std::int32_t value = 30000;
    for (int i = 0; i < 400; ++i)
        graph.Update_Graph(value + (i % 50) * 20, 8, false);
    for (auto _ : state) {
        value = 30000 + (value + 7) % 1000;
        graph.Update_Graph(value, 8, false); // the non-plotting call
        graph.Update_Graph(value, 8, false); // the plotting call: a full redraw
    }
    state.SetLabel("full plot of 200 points with both grids");
}
BENCHMARK(graphPlot)->Arg(3840)->Unit(benchmark::kMicrosecond);

// The window's way: a plotted point, then the strip painted straight into
// the window's buffer (an RGB32 frame here) with no picture in between.
void graphPlotAndPaint(benchmark::State& state) {
    kv::GraphView graph;
    graph.keepImage = false;
    const int w = static_cast<int>(state.range(0));
    graph.resize(w, static_cast<int>(w / 1.6 * 3 / 5));
    graph.options.GridX = graph.options.GridY = true;
    QImage frame(graph.surface().image().size(), QImage::Format_RGB32);
    std::int32_t value = 30000;
    for (int i = 0; i < 400; ++i)
        graph.Update_Graph(value + (i % 50) * 20, 8, false);
    for (auto _ : state) {
        value = 30000 + (value + 7) % 1000;
        graph.Update_Graph(value, 8, false);
        graph.Update_Graph(value, 8, false);
        QPainter p(&frame);
        graph.paint(p);
        p.end();
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.SetLabel("plot and paint of 200 points with both grids");
}
BENCHMARK(graphPlotAndPaint)->Arg(1000)->Arg(3840)->Unit(benchmark::kMicrosecond);

void recomputeOneHour(benchmark::State& state) {
    const std::string dir = std::filesystem::temp_directory_path() / "kv_bench_recompute";
    std::filesystem::create_directories(dir);
    kv::DemoOptions o;
    o.records = 180000;
    kv::writeKvdFile(dir + "/hour.kvd", kv::makeDemoRecords(o));
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out, err;
        kv::runKvTool({"recompute", dir + "/hour.kvd", "-o", dir + "/hour.csv"}, in, out, err);
    }
    std::filesystem::remove_all(dir);
    state.SetLabel("180000 records");
}
BENCHMARK(recomputeOneHour)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
