// Benchmark of the event finder: the events of a generated 10-hour recording
// (1.8 million records), alone and with the overview strip's columns at
// 3840 px: time and the memory taken beyond the records.
// Targets: 50 ms or less, 8 bytes per record or less.
#include "DemoData.h"
#include "OverviewStrip.h"
#include "RecordingEvents.h"
#include "SyntheticFalls.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <vector>

namespace {

// Heap in use and its high-water mark, counted by the global allocator.
std::size_t g_inUse = 0, g_peak = 0;

} // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n + 16);
    if (!p) throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = n;
    g_inUse += n;
    g_peak = std::max(g_peak, g_inUse);
    return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    char* block = static_cast<char*>(p) - 16;
    g_inUse -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of this thread, ms: what the work costs, whatever else runs on the machine.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Figures {
    double bestMs = 0, medianMs = 0, bestCpuMs = 0;
    double bytesPerRecord = 0;
    std::size_t events = 0;
};

// The events alone, or the events and the overview's columns at 3840 px.
Figures measure(const std::vector<kv::SampleRecord>& records, bool withColumns) {
    Figures f;
    std::vector<double> times, cpu;
    for (int run = 0; run < 15; ++run) {
        const std::size_t before = g_inUse;
        g_peak = g_inUse;
        const auto t0 = Clock::now();
        const double c0 = cpuMs();
        const auto events = kv::findEvents(records);
        std::vector<kv::OverviewColumn> columns;
        if (withColumns)
            columns = kv::buildOverviewColumns(
                records, kv::OverviewMapping{0, static_cast<std::int32_t>(records.size()) - 1, 3840});
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        cpu.push_back(cpuMs() - c0);
        f.events = events.size();
        f.bytesPerRecord = static_cast<double>(g_peak - before) / static_cast<double>(records.size());
    }
    std::sort(times.begin(), times.end());
    f.bestMs = times.front();
    f.bestCpuMs = *std::min_element(cpu.begin(), cpu.end());
    f.medianMs = times[times.size() / 2];
    return f;
}

void report(const char* name, const std::vector<kv::SampleRecord>& records,
            bool withColumns = false) {
    const Figures f = measure(records, withColumns);
    std::printf("%-14s %-30s %8zu records %6zu events  best %5.1f ms (CPU %5.1f ms)  median %5.1f ms  "
                "%4.2f bytes/record  (targets 50 ms, 8 bytes/record)\n",
                withColumns ? "events+columns" : "events", name, records.size(), f.events, f.bestMs, f.bestCpuMs, f.medianMs, f.bytesPerRecord);
}

} // namespace

// Drawing the strip at 3840 px from its columns and events (target 2 ms).
void reportDrawing(const std::vector<kv::SampleRecord>& records) {
    kv::OverviewPicture pic;
    pic.records = &records;
    pic.mapping = kv::OverviewMapping{0, static_cast<std::int32_t>(records.size()) - 1, 3840};
    pic.columns = kv::buildOverviewColumns(records, pic.mapping);
    kv::EventOptions marks;
    marks.kinds = (1U << static_cast<unsigned>(kv::EventKind::Tag)) |
                  (1U << static_cast<unsigned>(kv::EventKind::Motion)) |
                  (1U << static_cast<unsigned>(kv::EventKind::Reaction));
    pic.events = kv::findEvents(records, marks);
    QImage image(3840, 240, QImage::Format_RGB32);
    std::vector<double> times;
    for (int run = 0; run < 20; ++run) {
        const auto t0 = Clock::now();
        QPainter p(&image);
        kv::drawOverview(p, image.rect(), pic);
        p.end();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("overview drawing at 3840 x 240 px, %zu marks: best %.2f ms, median %.2f ms "
                "(target 2 ms)\n",
                pic.events.size(), times.front(), times[times.size() / 2]);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    constexpr std::int32_t kTenHours = 10 * 3600 * 50;
    {
        kv::DemoOptions o;
        o.records = kTenHours;
        const auto records = kv::makeDemoRecords(o);
        // --draw-only: the drawing line alone (for profiling it).
        if (argc > 1 && std::string(argv[1]) == "--draw-only") {
            reportDrawing(records);
            return 0;
        }
        report("10 h demo-like (all kinds)", records);
        report("10 h demo-like, 3840 columns", records, true);
        reportDrawing(records);
    }
    {
        kv::FallOptions o;
        o.records = kTenHours;
        o.noiseDivisions = 0.25;
        report("10 h synthetic falls with noise", kv::makeFallRecording(o).records);
    }
    return 0;
}
