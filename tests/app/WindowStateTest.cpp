// What the window shows when it opens and as it is used: its stored place
// and size, the Loop picture, the clock of the loaded recording only, the
// needle hidden under the banners whatever the size.
#include "PlayerFixture.h"

#include "ButtonImages.h"
#include "ElidedLabel.h"
#include "MeterPanelView.h"
#include "MeterStyleDialog.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>

#include <QTest>

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
    // The stored place is the frame's: the title bar sits at it, the client
    // area below it, so a place at the top of the screen keeps the title
    // bar on the screen.
    ASSERT_GT(window->geometry().top(), window->frameGeometry().top()); // the platform has a frame
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(40, 30));
    EXPECT_EQ(window->width(), 720);
    EXPECT_EQ(window->centralWidget()->height(), 450 + 81); // the height follows the width
    // Closing stores the frame's place again: the window does not creep.
    window->Form_QueryUnload();
    const std::string cfg = test::readText(dir.file("kv_Player.cfg"));
    EXPECT_NE(cfg.find("\r\n40\r\n30\r\n720\r\n"), std::string::npos) << cfg;
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

TEST_F(WindowStateTest, AWindowStoredLowerOrWiderThanTheScreenKeepsItsButtonsOnIt) {
    // A place and width kept from a taller screen: the height follows the
    // width, and the window moves up until its lower edge (the buttons) is
    // on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const auto& [left, top, width] :
         {std::tuple{40.0, 400.0, 720.0}, {5000.0, 3000.0, 32000.0}, {0.0, 300.0, 32000.0}}) {
        SCOPED_TRACE(std::to_string(top) + " " + std::to_string(width));
        createWindow();
        storePlacement(left, top, width, 0);
        start();
        const QRect g = window->geometry();
        // The window system's frame borders (a few pixels) aside.
        EXPECT_LE(g.bottom(), screen.bottom() + 4) << g.y() << " " << g.height();
        EXPECT_GE(g.top(), screen.top());
        EXPECT_TRUE(g.intersects(screen));
    }
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
    press(Qt::Key_P); // the panel is redrawn: still no clock
    run(1.5);
    EXPECT_EQ(inkIn(clockX0, clockY0, clockX1, clockY1), 0);
    press(Qt::Key_S);
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
    press(Qt::Key_P);
    EXPECT_FALSE(trace.visible); // "PLAY"
    run(1.5);
    EXPECT_TRUE(trace.visible);
    press(Qt::Key_S);
    EXPECT_FALSE(trace.visible); // "END"
    window->resize(window->width() + 100, window->height());
    EXPECT_FALSE(trace.visible);
    run(1.1);
    EXPECT_FALSE(trace.visible); // stopped: the dial at rest without a needle
    window->resize(window->width() - 100, window->height());
    EXPECT_FALSE(trace.visible);
}

TEST_F(WindowStateTest, StripLabelsNeverOverlapAndLongNamesAreElided) {
    start();
    window->menus().indexed(QStringLiteral("mnuSettingsExtSwMode"), 2)->trigger(); // Tag
    const std::string name =
        "a_recording_with_a_name_far_too_long_for_the_strip_of_the_window_even_when_the_window_"
        "is_wide_001";
    writeRecording(name, false);
    window->openChosenFile(dir.file(name + ".kvd"));
    for (int width : {650, 1000}) {
        window->resize(width, window->height());
        auto* tag = window->findChild<QLabel*>(QStringLiteral("lblTag"));
        auto* total = window->findChild<QLabel*>(QStringLiteral("lblTotalTime"));
        auto* played = window->findChild<QLabel*>(QStringLiteral("lblPlayTime"));
        auto* file = window->findChild<ElidedLabel*>(QStringLiteral("lblLoadedFile"));
        auto* box = window->findChild<QCheckBox*>(QStringLiteral("chkOveride"));
        ASSERT_TRUE(tag->isVisibleTo(window.get()));
        const QList<QWidget*> shown = {tag, total, played, file, box};
        for (QWidget* a : shown)
            for (QWidget* b : shown)
                EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString() << " over " << b->objectName().toStdString()
                    << " at " << width;
        EXPECT_TRUE(file->shownText().contains(QChar(0x2026))) << width; // "…"
        EXPECT_LE(file->fontMetrics().horizontalAdvance(file->shownText()), file->width());
        EXPECT_EQ(file->toolTip().toStdString(), dir.file(name));
    }
}

TEST_F(WindowStateTest, EveryDisabledButtonPictureHasOneLook) {
    const QColor ink(Qt::black);
    for (const char* key : {"Stop", "Play", "Pause", "Fwd", "Rev", "Load", "Save", "LeftBracket",
                            "RightBracket", "Expand", "Single", "Loop"}) {
        const QImage img = buttonImage(QString::fromLatin1(key), ink)
                               .pixmap(QSize(24, 24), QIcon::Disabled)
                               .toImage()
                               .convertToFormat(QImage::Format_ARGB32);
        int darkest = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                darkest = std::max(darkest, qAlpha(img.pixel(x, y)));
        EXPECT_NEAR(darkest, 90, 2) << key; // the same faded ink everywhere
    }
}

TEST_F(WindowStateTest, MeterStyleDialogStaysOnTheScreen) {
    storePlacement(40, 0, 650, 0); // at the top of the screen
    start();
    const QRect screen = window->screen()->availableGeometry();
    bool seen = false;
    log.onModal = [&](QDialog& dialog) {
        seen = true;
        // Where the described rule would put it: above the top of the screen.
        ASSERT_LT(window->y() + window->height() - dialog.height() - 83, screen.top());
        EXPECT_GE(dialog.y(), screen.top());
        EXPECT_GE(dialog.x(), screen.left());
        EXPECT_LE(dialog.y() + dialog.height(), screen.bottom() + 1);
    };
    item("mnuViewMeter")->trigger();
    EXPECT_TRUE(seen);
}

TEST_F(WindowStateTest, AMaximisedWindowOnALowScreenSizesThePanelToFit) {
    start();
    window->menus().indexed(QStringLiteral("mnuGraphHeightIndex"), 5)->trigger();
    item("mnuViewGraph")->trigger(); // the graph as high as the panel
    window->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(window->isMaximized());
    const QWidget* panel = window->findChild<QWidget*>(QStringLiteral("picMeterPanel"));
    const QWidget* graph = window->findChild<QWidget*>(QStringLiteral("picGraph"));
    const QWidget* strip = window->findChild<QWidget*>(QStringLiteral("picRecord"));
    ASSERT_LT(window->centralWidget()->height() - 81, 2 * 406); // lower than two panels of 650
    EXPECT_LE(panel->geometry().bottom(), graph->geometry().top() - 1);
    EXPECT_LE(graph->geometry().bottom(), strip->geometry().top() - 1);
    EXPECT_LE(strip->geometry().bottom(), window->centralWidget()->height() - 1);
    EXPECT_EQ(panel->width(), strip->width());
    EXPECT_EQ(window->panelView().panel().widthPx(), panel->width());
}

// With the event list docked the window still fits a 1024-pixel screen: the
// list can be narrow, the window's smallest width is the meter's 650 and a
// narrow list beside it.
TEST_F(WindowStateTest, WithTheEventListDockedTheWindowFitsASmallScreen) {
    test::writeText(dir.file("kv_Player.ini"), "[Player]\nShowEventList=True\n");
    start();
    const QWidget* list = window->findChild<QWidget*>(QStringLiteral("dockEventList"));
    ASSERT_TRUE(list && list->isVisible());
    const int frame = window->frameGeometry().width() - window->width();
    EXPECT_LE(window->minimumSizeHint().width() + frame, 1024);
    // Moved onto the screen as far as it can be (this test's screen is 800
    // pixels wide).
    const QRect screen = window->screen()->availableGeometry();
    const QRect f = window->frameGeometry();
    EXPECT_GE(f.left(), screen.left());
    EXPECT_TRUE(f.right() <= screen.right() || f.left() == screen.left()) << f.left();
}

// Maximised on a screen narrower than the meter's shape, the recording strip
// reaches the window's lower edge: no band of the background under the
// buttons.
TEST_F(WindowStateTest, AMaximisedWindowHasNoEmptyBandUnderTheButtons) {
    test::writeText(dir.file("kv_Player.ini"),
                    "[Player]\nShowEventList=True\n[Colors]\nBackground_Color=0\n");
    start();
    window->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(window->isMaximized());
    QWidget* central = window->centralWidget();
    const QWidget* panel = window->findChild<QWidget*>(QStringLiteral("picMeterPanel"));
    const QWidget* strip = window->findChild<QWidget*>(QStringLiteral("picRecord"));
    // The panel takes the whole width, and is lower than the room it has.
    ASSERT_EQ(panel->width(), central->width());
    ASSERT_GT(central->height() - panel->height() - 81, 20);
    EXPECT_EQ(strip->geometry().top(), panel->geometry().bottom() + 1);
    EXPECT_EQ(strip->geometry().bottom(), central->height() - 1);
    const QImage shot = central->grab().toImage();
    for (int y = strip->geometry().top(); y < shot.height(); y += 5)
        EXPECT_NE(shot.pixelColor(shot.width() / 2, y), QColor(Qt::black)) << y;
    // The buttons keep their place at the strip's top.
    const QWidget* load = window->findChild<QWidget*>(QStringLiteral("cmdLoad"));
    EXPECT_EQ(load->geometry().top(), 28);
}

} // namespace
} // namespace kv
