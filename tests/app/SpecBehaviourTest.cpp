// Behaviour of the described program kept as described: the End bracket,
// test mode's knob and the Override box.
#include "PlayerFixture.h"

#include <QCheckBox>
#include <QMenu>

#include <QTest>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::PlayerWindowTest;

TEST_F(PlayerWindowTest, TheEndBracketLeavesTheButtonsAsTheyAre) {
    start();
    loadRecording();
    press(Qt::Key_P);
    run(1.5);
    QTest::mouseClick(button("cmdEditStart"), Qt::LeftButton);
    EXPECT_FALSE(button("cmdEditStart")->isEnabled());
    ASSERT_TRUE(button("cmdEditEnd")->isEnabled());
    run(0.5);
    QTest::mouseClick(button("cmdEditEnd"), Qt::LeftButton);
    EXPECT_FALSE(window->engine().SegmentStartMarked);
    EXPECT_FALSE(button("cmdEditStart")->isEnabled()); // not updated here
    EXPECT_TRUE(button("cmdEditEnd")->isEnabled());
}

TEST_F(PlayerWindowTest, TestModeRestoresTheKnobItStartedWith) {
    start();
    test::writeText(dir.file("dummy.mp3"), "ID3");
    key(Qt::Key_Up); // the user's own position: 9
    keyUp(Qt::Key_Up);
    loadRecording(3000, 20);
    press(Qt::Key_P);
    run(1.5);
    press(Qt::Key_S);
    run(1.1);
    ASSERT_EQ(window->meter().KnobIndex, 20); // the recording's knob at its start
    item("mnuTestOn")->trigger();
    EXPECT_EQ(window->meter().KnobIndex, 32);
    item("mnuTestOn")->trigger();
    run(0.05);
    // The test unloaded the recording: back to where the user last set the knob.
    EXPECT_EQ(window->meter().KnobIndex, 9);
}

TEST_F(PlayerWindowTest, ClearingOverideDisablesBodyMotionFreeze) {
    start();
    auto* box = window->findChild<QCheckBox*>(QStringLiteral("chkOveride"));
    QMenu* freeze = window->menus().menu(QStringLiteral("mnuSettingsBmFreeze"));
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(freeze->isEnabled());
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(freeze->isEnabled());
}

} // namespace
} // namespace kv
