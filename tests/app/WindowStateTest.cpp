// What the window shows when it opens and as it is used: its stored place
// and size, the Loop picture, the clock of the loaded recording only, the
// needle hidden under the banners whatever the size.
#include "PlayerFixture.h"

#include "ButtonImages.h"
#include "MeterPanelView.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::PlayerWindowTest;

class WindowStateTest : public PlayerWindowTest {
protected:
    void storePlacement(double left, double top, double width, std::int16_t state) {
        config.setDefaults(dir.path(), 1920);
        ASSERT_TRUE(config.Write_Config(dir.path(), WindowPlacement{left, top, width, state}));
    }
    // Pixels of the text colour in a rectangle of panel units.
    int inkIn(double x0, double y0, double x1, double y1) {
        const MeterPanel& p = window->panelView().panel();
        const QImage img = p.compose();
        const QRect r = QRectF(p.panelSurface().toPixels(x0, y0), p.panelSurface().toPixels(x1, y1))
                            .normalized()
                            .toAlignedRect()
                            .intersected(img.rect());
        int n = 0;
        const QRgb ink = QColor(0, 0, 0).rgb(); // Text_Color's default
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += img.pixel(x, y) == ink;
        return n;
    }
    void writeRecording(const std::string& name, bool clock) {
        auto recs = test::plainRecords(300);
        if (clock) {
            recs[0].MarkType = 'C';
            recs[0].MarkData = {0, 0x00, 0xE1, 0x10}; // 16:00:16
        }
        ASSERT_FALSE(writeKvdFile(dir.file(name + ".kvd"), recs));
        test::writeText(dir.file(name + ".mp3"), "ID3");
    }
};

TEST_F(WindowStateTest, OpensAtTheStoredPlaceAndWidth) {
    storePlacement(40, 30, 720, 0);
    start();
    EXPECT_EQ(window->geometry().topLeft(), QPoint(40, 30));
    EXPECT_EQ(window->width(), 720);
    EXPECT_EQ(window->centralWidget()->height(), 450 + 81); // the height follows the width
}

TEST_F(WindowStateTest, OpensMaximisedOrMinimisedAsStored) {
    storePlacement(40, 30, 700, 2);
    start();
    EXPECT_TRUE(window->isMaximized());
    window->Form_QueryUnload(); // the place to return to is kept, not the maximised one
    EXPECT_TRUE(config.Read_Config(dir.path(), 1920));
    EXPECT_EQ(config.MainWidth, 700);
    EXPECT_EQ(config.MainWindowState, 2);

    createWindow();
    storePlacement(40, 30, 700, 1);
    start();
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(WindowStateTest, APlaceOnNoScreenMovesOntoTheScreen) {
    storePlacement(-30000, 30, 700, 0);
    start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window->geometry().topLeft())) << window->geometry().x();
    EXPECT_EQ(window->width(), 700);
}

TEST_F(WindowStateTest, LoopButtonShowsTheStoredLoopSetting) {
    test::writeText(dir.file("kv_Player.ini"), "[Recording]\r\nPlayLoopEnable=True\r\n");
    start();
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    auto picture = [](const QIcon& icon) { return icon.pixmap(24, 24).toImage(); };
    EXPECT_TRUE(picture(button("cmdLoop")->icon()) ==
                picture(buttonImage(QStringLiteral("Loop"), ink)));
    EXPECT_TRUE(window->engine().PlayLoopEnable);
}

TEST_F(WindowStateTest, TheClockShowsOnlyForARecordingWithAStartTime) {
    start();
    writeRecording("timed001", true);
    writeRecording("plain001", false);
    window->openChosenFile(dir.file("timed001.kvd"));
    const double clockX0 = 600, clockX1 = 1000, clockY0 = 1200, clockY1 = 950;
    ASSERT_GT(inkIn(clockX0, clockY0, clockX1, clockY1), 20); // "16:00"

    window->openChosenFile(dir.file("plain001.kvd"));
    EXPECT_EQ(inkIn(clockX0, clockY0, clockX1, clockY1), 0);
    window->engine().cmdPlay_Click(); // the panel is redrawn: still no clock
    run(1.5);
    EXPECT_EQ(inkIn(clockX0, clockY0, clockX1, clockY1), 0);
    window->engine().cmdStop_Click();
    run(1.1);

    window->openChosenFile(dir.file("timed001.kvd"));
    ASSERT_GT(inkIn(clockX0, clockY0, clockX1, clockY1), 20);
    test::writeText(dir.file("dummy.mp3"), "ID3");
    item("mnuTestOn")->trigger(); // nothing loaded: no clock
    EXPECT_EQ(inkIn(clockX0, clockY0, clockX1, clockY1), 0);
    item("mnuTestOn")->trigger();
    run(0.05);
}

TEST_F(WindowStateTest, NoNeedleUnderTheBannersBeforeOrAfterAResize) {
    start();
    loadRecording();
    const NeedleTrace& trace = window->panelView().panel().trace();
    window->engine().cmdPlay_Click();
    EXPECT_FALSE(trace.visible); // "PLAY"
    run(1.5);
    EXPECT_TRUE(trace.visible);
    window->engine().cmdStop_Click();
    EXPECT_FALSE(trace.visible); // "END"
    window->resize(window->width() + 100, window->height());
    EXPECT_FALSE(trace.visible);
    run(1.1);
    EXPECT_FALSE(trace.visible); // stopped: the dial at rest without a needle
    window->resize(window->width() - 100, window->height());
    EXPECT_FALSE(trace.visible);
}

} // namespace
} // namespace kv
