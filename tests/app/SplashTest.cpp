#include "Splash.h"
#include "SplashGate.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(SplashGate, CountsThreeSecondsFromWhenTheSplashIsOnScreen) {
    VirtualScheduler clock;
    int started = 0;
    SplashGate gate(clock, [&] { ++started; });
    clock.advance(10); // asked to show, but not on screen yet: nothing starts
    EXPECT_EQ(started, 0);
    gate.shown();
    clock.advance(2.999);
    gate.shown(); // a repaint does not restart the count
    EXPECT_FALSE(gate.done());
    clock.advance(0.001);
    EXPECT_TRUE(gate.done());
    EXPECT_EQ(started, 1);
    clock.advance(10);
    EXPECT_EQ(started, 1);
}

TEST(SplashGate, TheSplashSaysWhenItIsFirstPainted) {
    Splash splash;
    QSignalSpy painted(&splash, &Splash::painted);
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    EXPECT_TRUE(painted.wait(2000));
    splash.update();
    QTest::qWait(50);
    EXPECT_EQ(painted.count(), 1);
}

} // namespace
} // namespace kv
