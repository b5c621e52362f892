#include "KvdFile.h"
#include "MeterPanelView.h"
#include "PlayerFixture.h"
#include "RecordingFakeChannel.h"
#include "Scheduler.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

using test::PlayerWindowTest;
using test::TempDir;

TEST_F(PlayerWindowTest, FirstStartInAnEmptyDirectory) {
    start();
    const std::string cfg = test::readText(dir.file("kv_Player.cfg"));
    EXPECT_EQ(cfg,
              "\"" + dir.file("kv_Player.ini") + "\"\r\n2\r\n0\r\n8\r\n480\r\n0\r\n960\r\n0\r\n");
    // A quarter of the screen from the left, at the top: the frame, title bar
    // and all, is there.
    EXPECT_EQ(window->frameGeometry().x(), 480);
    EXPECT_EQ(window->frameGeometry().y(), 0);
    EXPECT_EQ(window->meter().KnobIndex, 8);
    EXPECT_TRUE(
        window->menus().indexed(QStringLiteral("mnuSettingsBodyMotionThreshold"), 2)->isChecked());
    EXPECT_TRUE(window->menus().indexed(QStringLiteral("mnuSettingsLagThreshold"), 2)->isChecked());
    EXPECT_TRUE(window->menus().indexed(QStringLiteral("mnuGraphHeightIndex"), 3)->isChecked());
    EXPECT_TRUE(item("mnuSetBmFreezeOff")->isChecked());
    EXPECT_FALSE(item("mnuSetBmFreezeOn")->isChecked());
    EXPECT_TRUE(item("mnuSettingsAutoSavePrompt")->isChecked());
    EXPECT_TRUE(item("mnuRecAudioOn")->isChecked());
    EXPECT_FALSE(item("mnuGraphGridX")->isChecked()); // from the settings, not the design
    EXPECT_FALSE(window->menus().menu(QStringLiteral("mnuSetNeedleBD"))->menuAction()->isVisible());
    EXPECT_FALSE(item("mnuViewRecording")->isVisible());
    EXPECT_FALSE(window->menus().menu(QStringLiteral("mnuGraph"))->isEnabled()); // graph hidden
    EXPECT_EQ(item("mnuSaveSettingsAs")->text(), QStringLiteral("Save Settings &As"));
    EXPECT_EQ(window->meter().LampColor, Lamp::Dark);
    EXPECT_TRUE(window->meter().SetRequest);
}

TEST_F(PlayerWindowTest, LayoutKeepsThePanelAtItsAspectAboveGraphAndStrip) {
    start();
    window->resize(800 + (window->width() - window->centralWidget()->width()), 700);
    window->Form_Resize();
    const QWidget* panel = window->findChild<QWidget*>(QStringLiteral("picMeterPanel"));
    const QWidget* strip = window->findChild<QWidget*>(QStringLiteral("picRecord"));
    ASSERT_EQ(window->centralWidget()->width(), 800);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 800, 500));
    EXPECT_EQ(strip->geometry(), QRect(0, 500, 800, 81));

    window->menus()
        .item(QStringLiteral("mnuViewGraph"))
        ->trigger(); // height index 3: 300 px of graph
    const QWidget* graph = window->findChild<QWidget*>(QStringLiteral("picGraph"));
    EXPECT_TRUE(graph->isVisibleTo(window.get()));
    EXPECT_EQ(graph->geometry().height(),
              static_cast<int>(std::nearbyint(panel->height() * 3 / 5.0)));
    EXPECT_EQ(strip->geometry().top(), panel->height() + graph->height());
    EXPECT_TRUE(window->menus().menu(QStringLiteral("mnuGraph"))->isEnabled());
}

TEST_F(PlayerWindowTest, ExitSavesAccordingToTheAutosaveMode) {
    start();
    settings.values.Needle_Width = 7; // a change since the last save
    window->Form_QueryUnload();
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0],
              (UserMessage{"Save settings?\r\n\r\n( to " + dir.file("kv_Player.ini") + ")",
                           "Program settings have changed", MessageIcon::None}));
    const std::string ini = test::readText(dir.file("kv_Player.ini"));
    EXPECT_EQ(ini.find("Needle_Width"), std::string::npos); // No: nothing saved...
    EXPECT_NE(ini.find("[Recording]"), std::string::npos);  // ...but the recording keys always are
    EXPECT_EQ(audio.commands.back(), "close WavFile");

    config.AutoSaveMode = 0;
    log.messages.clear();
    window->Form_QueryUnload();
    EXPECT_TRUE(log.messages.empty());
    EXPECT_EQ(test::readText(dir.file("kv_Player.ini")).find("Needle_Width"), std::string::npos);

    config.AutoSaveMode = 1;
    window->Form_QueryUnload();
    EXPECT_TRUE(log.messages.empty());
    EXPECT_NE(test::readText(dir.file("kv_Player.ini")).find("Needle_Width=7"), std::string::npos);
}

TEST_F(PlayerWindowTest, KeysActOncePerPressExceptTheArrows) {
    start();
    const bool before = window->meter().BdEnabled;
    key(Qt::Key_C);
    EXPECT_NE(window->meter().BdEnabled, before);
    key(Qt::Key_C, true); // held down: auto-repeat does nothing
    key(Qt::Key_C);       // no release in between: still nothing
    EXPECT_NE(window->meter().BdEnabled, before);
    keyUp(Qt::Key_C);
    key(Qt::Key_C);
    EXPECT_EQ(window->meter().BdEnabled, before);
    keyUp(Qt::Key_C);

    const int knob = window->meter().KnobIndex;
    key(Qt::Key_Up);
    key(Qt::Key_Up, true);
    key(Qt::Key_Up, true);
    EXPECT_EQ(window->meter().KnobIndex, knob + 3);
    key(Qt::Key_Down);
    EXPECT_EQ(window->meter().KnobIndex, knob + 2);

    key(Qt::Key_F); // freeze on, with its message
    EXPECT_TRUE(settings.values.FreezeEnable);
    EXPECT_TRUE(item("mnuSetBmFreezeOn")->isChecked());
    EXPECT_EQ(window->panelView().panel().readouts.modeText, "Freeze ON");
    keyUp(Qt::Key_F);
    key(Qt::Key_F); // within the second of the message: ignored
    EXPECT_TRUE(settings.values.FreezeEnable);
    keyUp(Qt::Key_F);
    run(1.01);
    EXPECT_EQ(window->panelView().panel().readouts.modeText, "");
}

TEST_F(PlayerWindowTest, PlaysAndStopsWithTheKeys) {
    start();
    loadRecording();
    key(Qt::Key_P);
    keyUp(Qt::Key_P);
    EXPECT_EQ(window->engine().PlayMode, 2);
    run(1.5);
    EXPECT_EQ(window->engine().TransportState, 1);
    EXPECT_GT(window->engine().RecordCursor, 20);
    EXPECT_EQ(window->panelView().panel().readouts.modeText, "Playback");

    key(Qt::Key_S);
    keyUp(Qt::Key_S);
    run(1.1);
    EXPECT_EQ(window->engine().PlayMode, 0);
    EXPECT_EQ(audio.mode, "stopped");
}

TEST_F(PlayerWindowTest, SwitchingAudioOffWhilePlayingStopsTheSoundAndUnloads) {
    start();
    test::writeText(dir.file("dummy.mp3"), "ID3");
    loadRecording();
    window->engine().cmdPlay_Click();
    run(1.5);
    ASSERT_EQ(audio.mode, "playing");
    item("mnuRecAudioOff")->trigger();
    EXPECT_EQ(audio.mode, "stopped");
    EXPECT_FALSE(window->isLoaded());
    EXPECT_EQ(window->engine().PlayMode, 0);
    EXPECT_FALSE(settings.values.AudioEnable);
    EXPECT_TRUE(item("mnuRecAudioOff")->isChecked());
    run(0.5); // nothing keeps polling
    EXPECT_EQ(window->engine().PlayMode, 0);
}

TEST_F(PlayerWindowTest, OverrideBringsBackTheUsersKnobAndClearingItTheRecordings) {
    start();
    for (int i = 0; i < 12; ++i) // the user's knob: 8 + 12
        press(Qt::Key_Up);
    loadRecording(3000, 8);
    window->engine().cmdPlay_Click();
    run(1.2);
    EXPECT_EQ(window->meter().KnobIndex, 8); // the recording's knob
    auto* box = window->findChild<QCheckBox*>(QStringLiteral("chkOveride"));
    box->click();
    EXPECT_EQ(window->meter().KnobIndex, 20);
    EXPECT_TRUE(window->meter().Override);
    run(0.1);
    EXPECT_EQ(window->meter().KnobIndex, 20); // stays the user's while ticked
    box->click();
    run(0.05);
    EXPECT_EQ(window->meter().KnobIndex, 8);
    EXPECT_FALSE(window->menus().menu(QStringLiteral("mnuSettingsBmFreeze"))->isEnabled());
}

TEST_F(PlayerWindowTest, CounterClickTogglesAndLongPressZeroes) {
    start();
    MeterPanelView& view = window->panelView();
    const QPoint at = view.panel().counterRect().center().toPoint() +
                      QPoint(0, std::max(0, (view.height() - view.panel().heightPx()) / 2));
    const bool before = window->meter().BdEnabled;
    QTest::mousePress(&view, Qt::LeftButton, {}, at);
    run(0.3);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, at);
    EXPECT_NE(window->meter().BdEnabled, before);

    QTest::mousePress(&view, Qt::LeftButton, {}, at);
    run(1.6); // held: zeroed (StateResetTest), not toggled
    QTest::mouseRelease(&view, Qt::LeftButton, {}, at);
    EXPECT_NE(window->meter().BdEnabled, before); // a long press does not toggle
}

TEST_F(PlayerWindowTest, TheKnobFollowsADragThatLeavesItsSquare) {
    start();
    MeterPanelView& view = window->panelView();
    const QPointF origin(0, std::max(0, (view.height() - view.panel().heightPx()) / 2));
    const QRectF knob = view.panel().knobRect().translated(origin);
    const QPoint top =
        (knob.center() + QPointF(knob.width() * 0.03, -knob.height() * 0.3)).toPoint();
    QTest::mousePress(&view, Qt::LeftButton, {}, top);
    EXPECT_NEAR(window->meter().KnobIndex, 33, 1); // about straight up
    // Far to the right of the square, at the knob's height: pointing right.
    const QPointF right(knob.right() + knob.width(), knob.center().y());
    QMouseEvent move(QEvent::MouseMove, right, view.mapToGlobal(right), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    EXPECT_GT(window->meter().KnobIndex, 45);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, right.toPoint());
    const int released = window->meter().KnobIndex;
    QMouseEvent hover(QEvent::MouseMove, QPointF(top), view.mapToGlobal(QPointF(top)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &hover);
    EXPECT_EQ(window->meter().KnobIndex, released); // no button held: no turn
}

} // namespace
} // namespace kv

namespace kv {
namespace {

TEST_F(PlayerWindowTest, TestModeSwingsAtTheKnobsSpeedAndRestoresTheKnob) {
    start();
    test::writeText(dir.file("dummy.mp3"), "ID3");
    window->meter().KnobIndex = 12;
    key(Qt::Key_Up); // the user's own position: 13
    keyUp(Qt::Key_Up);
    const std::size_t mark = audio.commands.size();
    item("mnuTestOn")->trigger();
    EXPECT_EQ(item("mnuTestOn")->text(), QStringLiteral("Stop"));
    EXPECT_EQ(window->engine().PlayMode, 4);
    EXPECT_EQ(window->meter().KnobIndex, 32);
    EXPECT_EQ(
        std::vector<std::string>(audio.commands.begin() + static_cast<long>(mark),
                                 audio.commands.begin() + static_cast<long>(mark) + 3),
        (std::vector<std::string>{
            "close WavFile", "open \"" + dir.file("dummy.mp3") + "\" type mpegvideo alias WavFile",
            "play WavFile"}));
    EXPECT_EQ(window->panelView().fileDisplayText(), "Adjust needle speed with sensitivity knob");
    run(1.0); // 50 steps of 20 ms at knob 32: the phase is 50 * 42 / 750
    const double phase = 50 * 42 / 750.0;
    EXPECT_NEAR(window->meter().CurrentRecord.NeedlePos, 9000 * std::sin(phase), 9000 * 0.03);

    key(Qt::Key_Up); // turning the knob during the test is the user's own choice
    keyUp(Qt::Key_Up);
    item("mnuTestOn")->trigger();
    run(0.02);
    EXPECT_EQ(window->engine().PlayMode, 0);
    EXPECT_EQ(window->meter().KnobIndex, 33);
    EXPECT_EQ(item("mnuTestOn")->text(), QStringLiteral("Start"));
    EXPECT_EQ(audio.commands[audio.commands.size() - 2], "stop WavFile");
    EXPECT_EQ(audio.commands.back(), "close WavFile");
}

TEST_F(PlayerWindowTest, TestModeWithoutTheDummyFileResetsAtOnce) {
    start();
    item("mnuTestOn")->trigger();
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(
        log.messages[0].text,
        "The Dummy.mp3 file is missing. This should be located in the application directory.\n\n"
        "Looked for " +
            dir.file("dummy.mp3") + ".");
    EXPECT_EQ(item("mnuTestOn")->text(), QStringLiteral("Start"));
    EXPECT_FALSE(window->testRunning());
    EXPECT_EQ(window->engine().PlayMode, 0);
}

} // namespace
} // namespace kv

#include <QMimeData>
#include <QUrl>

namespace kv {
namespace {

TEST_F(PlayerWindowTest, DroppingAKvdFileLoadsIt) {
    start();
    auto recs = test::plainRecords(300);
    ASSERT_FALSE(writeKvdFile(dir.file("dropped.kvd"), recs));
    test::writeText(dir.file("dropped.mp3"), "ID3");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("dropped.kvd")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    ASSERT_TRUE(window->isLoaded());
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("dropped"));

    QMimeData other;
    other.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/notes.txt"))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

} // namespace
} // namespace kv
