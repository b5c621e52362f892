#include "GraphWidget.h"
#include "KvdFile.h"
#include "PositionBar.h"
#include "WindowFixture.h"

#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace kv {
namespace {

// Playing repaints the graph only when its picture changes, and nothing is
// repainted while paused: the cost of a window that shows what changed.
class RepaintTest : public test::WindowFixture {
protected:
    RepaintTest() {
        createWindow();
        test::writeText(dir.file("kv_Player.ini"), "[Format]\nGraphVisible=True\n");
        window->Form_Load(1920);
        window->show();
        auto recs = test::plainRecords(3000);
        for (std::size_t i = 0; i < recs.size(); ++i)
            recs[i].RawReading = static_cast<std::uint16_t>(30000 + (i % 50) * 20);
        EXPECT_FALSE(writeKvdFile(dir.file("rec001.kvd"), recs));
        test::writeText(dir.file("rec001.mp3"), "ID3");
        window->openChosenFile(dir.file("rec001.kvd"));
    }
    void run(double seconds) {
        const double t0 = sched.now();
        for (int i = 1; i <= static_cast<int>(seconds * 1000 + 0.5); ++i) {
            if (audio.mode == "playing") ++audio.position;
            sched.runUntil(t0 + i / 1000.0 + 1e-9);
        }
    }
    void press(const char* name) {
        QTest::mouseClick(window->findChild<QToolButton*>(QString::fromLatin1(name)),
                          Qt::LeftButton);
    }
    int graphRequests() { return window->findChild<GraphWidget*>()->repaintRequests(); }
    int barRequests() { return window->findChild<PositionBar*>()->repaintRequests(); }
};

TEST_F(RepaintTest, TheGraphRepaintsPerPictureAndNothingRepaintsWhilePaused) {
    ASSERT_TRUE(window->isLoaded());
    press("cmdPlay");
    run(2.0); // the PLAY banner, then a second of records
    const int graph0 = graphRequests(), bar0 = barRequests();
    run(1.0); // 50 records, a new graph picture for every second one
    EXPECT_GE(graphRequests() - graph0, 24);
    EXPECT_LE(graphRequests() - graph0, 26);
    // A bar 1000 scale units wide moves a pixel only every few records.
    EXPECT_LT(barRequests() - bar0, 50);

    press("cmdPlay"); // pause
    run(1.5);
    const int graphPaused = graphRequests(), barPaused = barRequests();
    run(3.0);
    EXPECT_EQ(graphRequests(), graphPaused);
    EXPECT_EQ(barRequests(), barPaused);
}

} // namespace
} // namespace kv
