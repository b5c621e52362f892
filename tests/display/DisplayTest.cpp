#include "Colours.h"
#include "GraphView.h"
#include "MeterPanel.h"
#include "Surface.h"

#include <QGuiApplication>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kv {
namespace {

constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr std::int32_t kRed = 255;
constexpr std::int32_t kGreen = 65280;

// Colours equal within antialiasing of slim shapes.
bool near(std::int32_t a, std::int32_t b) {
    return std::abs((a & 255) - (b & 255)) < 40 &&
           std::abs(((a >> 8) & 255) - ((b >> 8) & 255)) < 40 &&
           std::abs(((a >> 16) & 255) - ((b >> 16) & 255)) < 40;
}

std::int32_t packed(QRgb c) {
    return qRed(c) + 256 * qGreen(c) + 65536 * qBlue(c);
}

// The colour at a panel point of a rendered image.
std::int32_t at(const QImage& image, const Surface& s, double x, double y) {
    const QPointF p = s.toPixels(x, y) * image.devicePixelRatio();
    return packed(image.pixel(static_cast<int>(p.x()), static_cast<int>(p.y())));
}

class PanelTest : public ::testing::Test {
protected:
    PanelTest() {
        panel.resize(1000);
        panel.readouts.fileText = "";
    }
    std::int32_t probe(double x, double y) {
        return at(panel.compose(), panel.panelSurface(), x, y);
    }
    MeterPanel panel;
};

TEST(Surface, NegativeHeightTurnsYUpwards) {
    Surface s(100, 100);
    s.setScale(0, 100, 100, -100);
    s.setBackColor(kWhite);
    s.setPenWidth(3);
    s.line(20, 0, 20, 60, kRed);
    EXPECT_EQ(at(s.image(), s, 20, 10), kRed);
    EXPECT_EQ(at(s.image(), s, 20, 50), kRed);
    EXPECT_EQ(at(s.image(), s, 20, 80), kWhite); // it ran upwards and stopped at 60

    s.arc(50, 50, 40, kRed, 0, 3.14159 / 2); // the upper-right quarter
    const double d = 40 / std::sqrt(2.0);
    EXPECT_EQ(at(s.image(), s, 50 + d, 50 + d), kRed);
    EXPECT_EQ(at(s.image(), s, 50 - d, 50 + d), kWhite);
    EXPECT_EQ(at(s.image(), s, 50 + d, 50 - d), kWhite);

    s.setBackColor(kWhite); // the same colour still clears
    EXPECT_EQ(at(s.image(), s, 20, 10), kWhite);
}

TEST(Surface, WedgesAreFilledAndScaleWithTheDevicePixelRatio) {
    for (qreal dpr : {1.0, 2.0}) {
        Surface s(200, 200, dpr);
        s.setScale(-1, 1, 2, -2);
        s.setBackColor(kWhite);
        s.setFill(true, kGreen);
        s.arc(0, 0, 0.8, kGreen, -0.1, -1.4); // a wedge in the upper right
        EXPECT_EQ(s.image().width(), static_cast<int>(200 * dpr));
        EXPECT_EQ(at(s.image(), s, 0.4, 0.3), kGreen) << dpr;
        EXPECT_EQ(at(s.image(), s, -0.4, 0.3), kWhite) << dpr;
    }
}

TEST(Colours, DerivedColoursBlendTheSettings) {
    EXPECT_EQ(Calc_ShadowColor(kWhite, kRed, 1), 255 + 230 * 256 + 230 * 65536);
    EXPECT_EQ(Calc_BannerColor(kWhite, kRed), 255 + 204 * 256 + 204 * 65536);
    EXPECT_EQ(Calc_DimTextColor(10070316, 0), 36 + 136 * 256 + 123 * 65536);
    EXPECT_EQ(Calc_ShadowColor(kWhite, kRed, 7), kWhite);
    EXPECT_EQ(Calc_ShadowColor(kWhite, kRed, 5), kRed);
    EXPECT_EQ(Calc_ShadowColor(kWhite, kRed, 0), kWhite);
}

TEST_F(PanelTest, SectorNeedleEndsAndTheSetPosition) {
    panel.style.DialType = 1;
    panel.Draw_Panel();
    panel.Update_Needle(0, false);
    EXPECT_EQ(probe(0, 520), kRed);
    EXPECT_EQ(probe(0, 980), kRed);
    EXPECT_EQ(probe(0, 480), kWhite);                   // inner end at 500
    EXPECT_EQ(probe(0, 1045), panel.style.Scale_Color); // the straight-up mark is a long one

    panel.Update_Needle(-2503, false);
    const double a = needleAngle(-2503);
    EXPECT_EQ(probe(900 * std::sin(a), 900 * std::cos(a)), kRed);
    EXPECT_NEAR(a * 180 / M_PI, -13.75, 0.01);
    EXPECT_EQ(probe(0, 750), kWhite); // the old pointer left nothing behind

    panel.Update_Needle(-2503, true); // frozen
    EXPECT_EQ(probe(900 * std::sin(a), 900 * std::cos(a)), panel.style.FreezeNeedle_Color);
}

TEST(PanelScaling, TheSameDrawingAtAnyWidthAndPixelRatio) {
    for (const auto& [width, dpr] :
         {std::pair{650, 1.0}, std::pair{1000, 2.0}, std::pair{3840, 1.0}}) {
        MeterPanel panel;
        panel.resize(width, dpr);
        panel.style.DialType = 1;
        panel.Draw_Panel();
        panel.Update_Needle(0, false);
        const QImage img = panel.compose();
        EXPECT_EQ(img.width(), static_cast<int>(width * dpr));
        EXPECT_EQ(at(img, panel.panelSurface(), 0, 750), kRed) << width << "@" << dpr;
        EXPECT_EQ(at(img, panel.panelSurface(), 0, 480), kWhite) << width << "@" << dpr;
        EXPECT_EQ(at(img, panel.panelSurface(), 0, 1045), panel.style.Scale_Color)
            << width << "@" << dpr;
        EXPECT_EQ(at(img, panel.panelSurface(), 990, 1190), panel.style.Panel_Color)
            << width << "@" << dpr;
    }
}

TEST(PanelScaling, ModeLinesEraseTheirTextCompletelyAtAnyWidthAndPixelRatio) {
    // Widths from 650 to 3840 at ratios 1 and 2.
    for (const qreal dpr : {1.0, 2.0})
        for (int width = 650; width <= 3840; width += dpr == 1.0 ? 97 : 797)
            for (int dial : {1, 0}) {
                MeterPanel panel;
                panel.resize(width, dpr);
                panel.style.DialType = dial;
                panel.Draw_Panel();
                const QImage bare = panel.panelSurface().image();
                panel.readouts.playing = true;
                panel.readouts.audioEnable = false;
                panel.readouts.modeText = "Playback";
                panel.Update_ModeDisplay(); // "Playback" over "Audio OFF"
                panel.readouts.playing = false;
                panel.readouts.modeText = "";
                panel.Update_ModeDisplay();
                ASSERT_TRUE(panel.panelSurface().image() == bare)
                    << width << "@" << dpr << " dial " << dial;
            }
}

// The counter's widest text fits its box: "73.0" is never cut to "73.(" at
// any window width or pixel ratio. Ink in the box's last column means a
// glyph runs past its edge.
TEST(PanelScaling, TheCounterTextFitsItsBoxAtAnyWidthAndPixelRatio) {
    for (const qreal dpr : {1.0, 2.0})
        for (int width = 650; width <= 3840; width += dpr == 1.0 ? 97 : 797)
            for (const char* text : {"73.0", "99.9", "000"}) {
                MeterPanel panel;
                panel.resize(width, dpr);
                panel.style.Panel_Color = kWhite;
                panel.style.Text_Color = 0;
                panel.readouts.BdEnabled = true;
                panel.Draw_Panel();
                panel.Update_BdDisplay(text);
                const QImage& img = panel.counterSurface().image();
                int left = img.width(), right = -1, top = img.height(), bottom = -1;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        if (qGray(img.pixel(x, y)) < 160) {
                            left = std::min(left, x), right = std::max(right, x);
                            top = std::min(top, y), bottom = std::max(bottom, y);
                        }
                ASSERT_GE(right, 0) << width << "@" << dpr << " " << text;
                EXPECT_LT(right, img.width() - 1) << width << "@" << dpr << " " << text;
                // Still a readable size: the digits fill most of the box's height.
                EXPECT_GT(bottom - top, img.height() / 2) << width << "@" << dpr << " " << text;
            }
}

TEST_F(PanelTest, CircularTwoDrawsATwoEndedPointer) {
    panel.style.DialType = 3;
    panel.Draw_Panel();
    panel.Update_Needle(16384, false);
    EXPECT_EQ(probe(300, 600), kRed);
    EXPECT_EQ(probe(-300, 600), kRed);
    EXPECT_EQ(probe(490, 600), kRed);
    EXPECT_EQ(probe(0, 600), kWhite);                        // a hole around the centre
    EXPECT_EQ(probe(0, 600 + 562), panel.style.Scale_Color); // the top mark
}

TEST_F(PanelTest, ContinuousDialShadowAppearsBeyondSixThousand) {
    panel.style.DialType = 2;
    panel.style.ShadowNeedleColor = Calc_ShadowColor(kWhite, kRed, 5);
    panel.Draw_Panel();
    auto shadowAt = [&](std::int32_t s) {
        const double a = needleAngle(s);
        return probe(750 * std::sin(a), 750 * std::cos(a));
    };
    panel.Update_Needle(5000, false);
    EXPECT_FALSE(panel.trace().ShadowVisible);
    panel.Update_Needle(8000, false);
    EXPECT_TRUE(panel.trace().ShadowVisible);
    EXPECT_EQ(shadowAt(8000 - 14016), kRed);
    panel.Update_Needle(4000, false);
    EXPECT_TRUE(panel.trace().ShadowVisible); // kept down to 4000
    panel.Update_Needle(3999, false);
    EXPECT_FALSE(panel.trace().ShadowVisible);
    EXPECT_EQ(shadowAt(3999 - 14016), kWhite);
}

TEST_F(PanelTest, MovingTheNeedleEqualsAFreshDraw) {
    for (int dial : {0, 1, 2, 3}) {
        panel.style.DialType = dial;
        panel.Draw_Panel();
        for (std::int32_t v : {0, 9000, -7000, 16384, 500})
            panel.Update_Needle(v, false);
        MeterPanel fresh;
        fresh.resize(1000);
        fresh.style = panel.style;
        fresh.readouts = panel.readouts;
        fresh.Draw_Panel();
        fresh.Update_Needle(9000, false); // the same shadow history
        fresh.Update_Needle(-7000, false);
        fresh.Update_Needle(500, false);
        EXPECT_TRUE(panel.compose() == fresh.compose()) << "dial " << dial;
    }
}

// A window repaints only what Update_Needle returns: painting each move
// clipped to it must give the picture a fresh draw gives, on every dial (the
// mirrored pointer, the shadow coming and going, a frozen needle's colour).
TEST_F(PanelTest, RepaintingOnlyWhatTheNeedleChangedGivesTheWholePicture) {
    for (int dial : {0, 1, 2, 3}) {
        panel.relayout(1000, dial == 1 ? 2.0 : 1.0); // a high-density screen too
        panel.style.DialType = dial;
        panel.style.ShadowNeedleColor = Calc_ShadowColor(kWhite, kRed, 5);
        panel.Draw_Panel();
        QImage shown = panel.compose();
        std::int32_t v = -12000;
        for (int i = 0; i < 120; ++i) {
            // Sweeps with a jump now and then, and readings that hold still.
            v += i % 40 == 20 ? 9000 : i % 4 == 0 ? 0 : 211;
            const QRegion changed = panel.Update_Needle(v, i % 30 > 25);
            EXPECT_LT(changed.boundingRect().width(), panel.widthPx()) << "dial " << dial;
            QPainter p(&shown);
            panel.paintOn(p, QPointF(0, 0), changed);
            p.end();
            if (i % 7 == 0) {
                ASSERT_TRUE(shown == panel.compose()) << "dial " << dial << ", move " << i;
            }
        }
        // A reading that holds still repaints nothing, unless the needle's
        // colour changes or it was taken off the dial.
        panel.Update_Needle(8192, false);
        EXPECT_TRUE(panel.Update_Needle(8192, false).isEmpty()) << "dial " << dial;
        EXPECT_FALSE(panel.Update_Needle(8192, true).isEmpty()) << "dial " << dial;
        panel.Remove_Needle();
        EXPECT_FALSE(panel.Update_Needle(8192, true).isEmpty()) << "dial " << dial;
        // A slanted needle's change is a band along it, not its bounding box.
        panel.Update_Needle(8192, false);
        const QRegion slanted = panel.Update_Needle(8192 + 100, false);
        qint64 area = 0;
        for (const QRect& r : slanted)
            area += qint64{r.width()} * r.height();
        const QRect box = slanted.boundingRect();
        EXPECT_LT(area * 2, qint64{box.width()} * box.height()) << "dial " << dial;
    }
}

TEST_F(PanelTest, RemovedNeedleAndShadowStayHiddenUntilTheNextUpdate) {
    panel.style.DialType = 2;
    panel.style.ShadowNeedleColor = Calc_ShadowColor(kWhite, kRed, 3);
    panel.style.BannerColor = Calc_BannerColor(kWhite, kRed);
    // The same state drawn on a panel whose needle never showed.
    auto bare = [&](int width, bool banner) {
        MeterPanel fresh;
        fresh.resize(width);
        fresh.style = panel.style;
        fresh.readouts = panel.readouts;
        fresh.Draw_Panel();
        if (banner) {
            fresh.Remove_Needle();
            fresh.printBanner("END");
        }
        return fresh.compose();
    };
    panel.Draw_Panel();
    panel.Update_Needle(8000, false); // pointer and shadow
    ASSERT_TRUE(panel.trace().ShadowVisible);
    panel.Remove_Needle();
    panel.printBanner("END");
    EXPECT_TRUE(panel.compose() == bare(1000, true));
    panel.relayout(1300); // a resize shows the same state
    EXPECT_TRUE(panel.compose() == bare(1300, true));

    panel.Update_Needle(8000, false);
    panel.Draw_Panel(); // a full redraw leaves no shadow behind either
    EXPECT_TRUE(panel.compose() == bare(1300, false));
    panel.Update_Needle(5000, false); // the shadow's state survives the redraw
    EXPECT_TRUE(panel.trace().shadowShown);
}

TEST_F(PanelTest, LampSitsOnTheRestDirectionOrTheDialCentre) {
    panel.style.DialType = 1;
    panel.Draw_Panel();
    panel.Update_LED(kGreen);
    EXPECT_EQ(probe(-254.3, 1039.3), kGreen);
    panel.style.DialType = 0;
    panel.Draw_Panel();
    panel.Update_LED(panel.style.LED_BM_Color);
    EXPECT_EQ(probe(0, 600), panel.style.LED_BM_Color);
    panel.Draw_Panel(); // a redraw does not repaint the lamp
    EXPECT_EQ(probe(0, 600), kWhite);
}

TEST_F(PanelTest, AnalogueClockHandsAtThreeOClock) {
    panel.style.DialType = 1;
    panel.style.ClockType = 1;
    panel.readouts.clock = PanelReadouts::Clock{3, 0, 0};
    panel.Draw_Panel();
    const std::int32_t ink = panel.style.Text_Color;
    EXPECT_TRUE(near(probe(825 + 80, 1025), ink));  // hour hand towards 3
    EXPECT_TRUE(near(probe(825, 1025 + 120), ink)); // minute hand towards 12
    EXPECT_EQ(probe(825 - 60, 1025), panel.style.Panel_Color);
    EXPECT_EQ(probe(825, 1025 - 60), panel.style.Panel_Color);

    panel.style.ClockLeft = true;
    panel.readouts.clock = PanelReadouts::Clock{9, 0, 0};
    panel.Draw_Panel();
    EXPECT_TRUE(near(probe(-825 - 80, 1025), ink)); // 9 o'clock on the left
}

TEST_F(PanelTest, BaseReadoutErasesItsOldTextButNotTheDial) {
    panel.style.DialType = 1;
    panel.Draw_Panel();
    const std::int32_t faceBefore = probe(-520, 970);
    panel.Update_BaseDisplay("6.75");
    const QImage wide = panel.compose();
    panel.Update_BaseDisplay("0.5");
    const QImage narrow = panel.compose();
    // Right of where "0.5" ends, the old "75" is gone.
    const Surface& s = panel.panelSurface();
    int inkBefore = 0, inkAfter = 0;
    for (double x = -650; x < -560; x += 4)
        for (double y = 1140; y > 1020; y -= 4) {
            inkBefore += at(wide, s, x, y) == panel.style.Text_Color;
            inkAfter += at(narrow, s, x, y) == panel.style.Text_Color;
        }
    EXPECT_GT(inkBefore, 20);
    EXPECT_EQ(inkAfter, 0);
    EXPECT_EQ(faceBefore, kWhite);
    EXPECT_EQ(probe(-520, 970), kWhite); // the dial face's corner is untouched

    // Everything the readout drew lies in the rectangle a window repaints for it.
    const QRectF region = panel.baseRect();
    int outside = 0;
    for (int y = 0; y < wide.height() / 2; ++y)
        for (int x = 0; x < wide.width() / 2; ++x)
            if (packed(wide.pixel(x, y)) == panel.style.Text_Color &&
                !region.contains(QPointF(x, y)))
                ++outside;
    EXPECT_EQ(outside, 0);
}

TEST_F(PanelTest, BannerPrintsIntoTheDialAndRemoveNeedleWipesIt) {
    panel.style.DialType = 1;
    panel.style.BannerColor = Calc_BannerColor(kWhite, kRed);
    panel.Draw_Panel();
    panel.Remove_Needle();
    panel.printBanner("PLAY");
    const QImage shown = panel.compose();
    const Surface& s = panel.panelSurface();
    int banner = 0;
    for (double x = -300; x < 300; x += 5)
        for (double y = 840; y > 700; y -= 5)
            banner += at(shown, s, x, y) == panel.style.BannerColor;
    EXPECT_GT(banner, 30);
    panel.Remove_Needle();
    const QImage wiped = panel.compose();
    for (double x = -300; x < 300; x += 5)
        for (double y = 840; y > 700; y -= 5)
            ASSERT_EQ(at(wiped, s, x, y), kWhite) << x << "," << y;
}

TEST_F(PanelTest, ModeLinesSitByDialTypeAndAudioOffShowsWhilePlaying) {
    auto inkNear = [&](double cx, double top) {
        const QImage img = panel.compose();
        int ink = 0;
        for (double x = cx - 80; x <= cx + 80; x += 2)
            for (double y = top - 4; y > top - 30; y -= 2)
                ink += at(img, panel.panelSurface(), x, y) == panel.style.Text_Color;
        return ink;
    };
    panel.style.DialType = 0;
    panel.readouts.modeText = "Playback";
    panel.readouts.playing = true;
    panel.readouts.audioEnable = false;
    panel.Draw_Panel();
    EXPECT_GT(inkNear(-800, 600), 10);
    EXPECT_GT(inkNear(-800, 525), 10);

    panel.readouts.playing = false; // after Stop the second line is blanked
    panel.readouts.modeText = "";
    panel.Update_ModeDisplay();
    EXPECT_EQ(inkNear(-800, 600), 0);
    EXPECT_EQ(inkNear(-800, 525), 0);

    panel.style.DialType = 1; // traditional dials: centred, 300 above the bottom edge
    panel.readouts.modeText = "Playback";
    panel.readouts.playing = true;
    panel.readouts.audioEnable = true;
    panel.Draw_Panel();
    EXPECT_GT(inkNear(0, 250), 10);
    EXPECT_EQ(inkNear(0, 175), 0);

    panel.readouts.messageShowing = true; // a one-second message is not overwritten
    panel.readouts.modeText = "";
    panel.Update_ModeDisplay();
    EXPECT_GT(inkNear(0, 250), 10);
}

TEST_F(PanelTest, TwelveHourClockAndKnobPointer) {
    panel.style.ClockType = 2;
    int hr = 0;
    panel.Update_Clock(hr, 5, 0);
    EXPECT_EQ(hr, 12);
    hr = 13;
    panel.Update_Clock(hr, 5, 0);
    EXPECT_EQ(hr, 1);

    for (int knob : {0, 63}) {
        panel.readouts.knobIndex = knob;
        panel.Update_SensKnob();
        const Surface& k = panel.knobSurface();
        const double p = (63 - knob) * (3 * M_PI / 2) / 63 - M_PI / 4;
        EXPECT_EQ(at(k.image(), k, 0.65 * std::cos(p), 0.65 * std::sin(p)), panel.style.Text_Color)
            << knob;
        EXPECT_EQ(at(k.image(), k, -0.65 * std::cos(p), -0.65 * std::sin(p)),
                  panel.style.Panel_Color)
            << knob;
    }
}

TEST(Graph, RestartsMidHeightAndScrollsLeft) {
    GraphView g;
    g.resize(400, 100);
    g.options.GraphInvert = true;
    const int knob = 8; // gain 2.5; the strip starts at knob 0, so the first plot restarts it
    auto plot = [&](std::int32_t v) {
        g.Update_Graph(v, knob, false);
        g.Update_Graph(v, knob, false);
    };
    plot(20000);
    EXPECT_EQ(g.trace().Baseline, 100000 - 32768);
    plot(20000); // no previous point: nothing drawn yet
    const Surface& s = g.surface();
    EXPECT_EQ(at(s.image(), s, s.scaleWidth() - 1, 32768), g.options.GraphSheet_Color);
    plot(20000);
    EXPECT_EQ(at(s.image(), s, s.scaleWidth() - 1, 32768), g.options.GraphPen_Color);
    EXPECT_EQ(at(s.image(), s, s.scaleWidth() / 2, 32768), g.options.GraphSheet_Color);

    for (int i = 0; i < 51; ++i)
        plot(25000); // a step up, then 50 more points
    const double stepX = g.trace().x[199 - 50];
    EXPECT_EQ(at(s.image(), s, stepX - 4, 32768), g.options.GraphPen_Color);
    EXPECT_EQ(at(s.image(), s, stepX + 4, 57768), g.options.GraphPen_Color);
    EXPECT_EQ(at(s.image(), s, stepX + 4, 32768), g.options.GraphSheet_Color);

    plot(65535); // far outside: the baseline moves in steps of 5000
    const std::int32_t top =
        static_cast<std::int32_t>(std::nearbyint(65535 * 5.0)) - g.trace().Baseline;
    EXPECT_GE(top, 1000);
    EXPECT_LE(top, 64536);
    EXPECT_EQ((g.trace().Baseline - (100000 - 32768)) % 5000, 0);
}

// A window repaints only the strip's last change: painting each new picture
// clipped to it must leave exactly the picture a full repaint gives, with and
// without grids, as the baseline moves, on a knob restart and after a new
// sheet colour; and a quiet trace must not repaint the whole strip.
TEST(Graph, RepaintingOnlyTheLastChangeGivesTheWholePicture) {
    for (const bool grids : {false, true}) {
        GraphView g;
        g.keepImage = false;
        g.resize(613, 211); // 199 slots that do not divide the width evenly
        g.options.GridX = g.options.GridY = grids;
        g.options.GraphPenWidth_Index = grids ? 3 : 2;
        QImage shown(613, 211, QImage::Format_RGB32);
        shown.fill(Qt::magenta); // anything the updates fail to cover shows
        auto full = [&] {
            QImage fresh(shown.size(), QImage::Format_RGB32);
            QPainter p(&fresh);
            g.paint(p);
            return fresh;
        };
        int smallChanges = 0;
        int knob = 8;
        for (int i = 0; i < 1200; ++i) {
            // A slow swing with a jump now and then, so the baseline moves
            // too; quiet from reading 600 on.
            const std::int32_t v =
                i >= 600 ? 30000
                         : 30000 + static_cast<std::int32_t>(9000 * std::sin(i / 40.0)) +
                               (i % 300 == 150 ? 20000 : 0);
            if (i == 500) knob = 20; // the strip restarts
            if (i == 900) {          // a new sheet colour: the strip is drawn anew
                g.options.GraphSheet_Color = 0x80FF80;
                g.GraphResetPending = true;
            }
            if (!g.Update_Graph(v, knob, false)) continue;
            {
                QPainter p(&shown);
                p.setClipRect(g.lastChange());
                g.paint(p);
            }
            smallChanges += !grids && g.lastChange().height() < 211 / 4;
            if (i % 50 == 1 || i == 501 || i == 901) {
                ASSERT_EQ(shown, full()) << "grids " << grids << ", after reading " << i;
            }
        }
        if (!grids) {
            EXPECT_GT(smallChanges, 100); // the quiet stretch repaints a band
        }
    }
}

} // namespace
} // namespace kv
