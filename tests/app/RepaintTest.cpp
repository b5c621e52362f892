#include "GraphWidget.h"
#include "PlayerFixture.h"
#include "PositionBar.h"

#include <QTest>

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

} // namespace
} // namespace kv
