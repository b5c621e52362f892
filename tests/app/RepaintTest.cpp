#include "GraphWidget.h"
#include "PlayerFixture.h"
#include "PositionBar.h"

#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kv {
namespace {

// Playing repaints the graph only when its picture changes, and nothing is
// repainted while paused: the cost of a window that shows what changed.
class RepaintTest : public test::PlayerWindowTest {
protected:
    RepaintTest() {
        test::writeText(dir.file("kv_Player.ini"), "[Format]\nGraphVisible=True\n");
        start();
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    int graphRequests() { return window->findChild<GraphWidget*>()->repaintRequests(); }
    int barRequests() { return window->findChild<PositionBar*>()->repaintRequests(); }
};

TEST_F(RepaintTest, TheGraphRepaintsPerPictureAndNothingRepaintsWhilePaused) {
    loadRecording();
    click("cmdPlay");
    run(2.0); // the PLAY banner, then a second of records
    const int graph0 = graphRequests(), bar0 = barRequests();
    run(1.0); // 50 records, a new graph picture for every second one
    EXPECT_GE(graphRequests() - graph0, 24);
    EXPECT_LE(graphRequests() - graph0, 26);
    // A bar 1000 scale units wide moves a pixel only every few records.
    EXPECT_LT(barRequests() - bar0, 50);

    click("cmdPlay"); // pause
    run(1.5);
    const int graphPaused = graphRequests(), barPaused = barRequests();
    run(3.0);
    EXPECT_EQ(graphRequests(), graphPaused);
    EXPECT_EQ(barRequests(), barPaused);
}

// Above 1x the meter takes every record, and the window shows the newest of
// them at most once per screen refresh (and never more often than the 50
// frames a second of normal speed), on the window's own clock.
TEST_F(RepaintTest, AboveNormalSpeedEveryRecordIsTakenAndOneFrameShowsPerRefresh) {
    loadRecording(6000);
    item("mnuListenSpeed200")->trigger();
    std::vector<std::int32_t> taken;
    window->onRecordShown = [&](const SampleRecord& r) { taken.push_back(r.TimeMs); };
    // A frame: the paints of the panel, the graph and the bar at one moment.
    struct FrameClock : QObject {
        VirtualScheduler* sched = nullptr;
        std::vector<double> frames;
        bool eventFilter(QObject* o, QEvent* e) override {
            const QString n = o->objectName();
            if (e->type() == QEvent::Paint &&
                (n == QLatin1String("picMeterPanel") || n == QLatin1String("picGraph") ||
                 n == QLatin1String("picFilePosition")) &&
                (frames.empty() || frames.back() != sched->now()))
                frames.push_back(sched->now());
            return false;
        }
    } clock;
    clock.sched = &sched;
    qApp->installEventFilter(&clock);
    // The sound runs at twice its speed; the window's events are taken each millisecond.
    const auto play = [&](double seconds) {
        const double t0 = sched.now();
        for (int i = 1; i <= static_cast<int>(seconds * 1000 + 0.5); ++i) {
            if (audio.mode == "playing") audio.position += 2;
            sched.runUntil(t0 + i / 1000.0 + 1e-9);
            QCoreApplication::processEvents();
        }
    };
    click("cmdPlay");
    play(2.5); // the PLAY banner, then records
    taken.clear();
    clock.frames.clear();
    const std::int32_t cursor0 = window->engine().RecordCursor;
    play(2.0);
    qApp->removeEventFilter(&clock);

    // Every record the sound passed was taken by the meter, in order: 100 a second.
    const auto fetched = static_cast<std::size_t>(window->engine().RecordCursor - cursor0);
    ASSERT_EQ(taken.size(), fetched);
    EXPECT_GE(taken.size(), 195u);
    for (std::size_t i = 1; i < taken.size(); ++i)
        ASSERT_EQ(taken[i] - taken[i - 1], 20) << i;
    // At most one frame per refresh, yet a frame in nearly every one that passed.
    const QScreen* screen = window->screen();
    const double refresh =
        std::max(1.0 / 50, screen && screen->refreshRate() > 1 ? 1.0 / screen->refreshRate() : 0.0);
    ASSERT_GE(clock.frames.size(), 2u);
    for (std::size_t i = 1; i < clock.frames.size(); ++i)
        EXPECT_GE(clock.frames[i] - clock.frames[i - 1], refresh - 1e-6) << i;
    EXPECT_GE(static_cast<double>(clock.frames.size()), 0.8 * 2.0 / refresh);
}

// The graph window paints the strip straight into its buffer; what it shows
// must be the picture the strip's own image holds, pixel for pixel, as the
// trace scrolls, moves its baseline, restarts on a knob turn and with grids.
TEST(GraphWidgetPixels, TheWindowShowsTheStripsPictureAtEveryStep) {
    GraphWidget widget;
    widget.resize(997, 373); // 199 slots that do not divide the width evenly
    widget.show();
    widget.graph().options.GridX = widget.graph().options.GridY = true;
    widget.graph().options.GraphPenWidth_Index = 3;
    GraphView reference; // the same readings, drawn into its image
    reference.resize(997, 373);
    reference.options = widget.graph().options;

    auto same = [&](const char* when) {
        const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage& drawn = reference.surface().image();
        ASSERT_EQ(shown.size(), drawn.size()) << when;
        int differing = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                differing += shown.pixel(x, y) != drawn.pixel(x, y);
        EXPECT_EQ(differing, 0) << when;
    };
    same("before any reading");
    int knob = 8;
    for (int i = 0; i < 900; ++i) {
        // A slow swing with a jump now and then, so the baseline moves too.
        const std::int32_t v = 30000 + static_cast<std::int32_t>(9000 * std::sin(i / 40.0)) +
                               (i % 300 == 150 ? 20000 : 0);
        if (i == 500) knob = 20; // the strip restarts
        widget.plot(v, knob, false);
        reference.Update_Graph(v, knob, false);
        if (i == 1 || i == 3 || i == 57 || i == 200 || i == 451 || i == 500 || i == 503 || i == 899)
            same(("after reading " + std::to_string(i)).c_str());
    }
}

} // namespace
} // namespace kv
