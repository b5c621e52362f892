// The key map acts whatever widget has the focus, and the first key after a
// dialog counts.
#include "PlayerFixture.h"

#include <QDialog>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::PlayerWindowTest;

class KeyboardTest : public PlayerWindowTest {
protected:
    void startActive() {
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

TEST_F(KeyboardTest, SpaceWhileTheStopButtonHasTheFocusMarksTheSegmentStart) {
    startActive();
    loadRecording();
    press(Qt::Key_P);
    run(1.5);
    ASSERT_EQ(window->engine().TransportState, 1);
    ASSERT_EQ(QApplication::focusWidget(), button("cmdStop")); // playback gives Stop the focus

    press(Qt::Key_Space);
    run(1.2);
    EXPECT_EQ(window->engine().PlayMode, 2); // playback goes on
    EXPECT_TRUE(window->engine().SegmentStartMarked);
    EXPECT_TRUE(button("cmdEditEnd")->isEnabled());

    press(Qt::Key_S);
    run(1.1);
    EXPECT_EQ(window->engine().PlayMode, 0);
}

TEST_F(KeyboardTest, MappedKeysReachTheMapFromAnyFocusedButton) {
    startActive();
    loadRecording();
    button("cmdPlay")->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), button("cmdPlay"));
    const bool before = window->meter().BdEnabled;
    press(Qt::Key_Space); // no bracket enabled while stopped: a needle SET, not a click on Play
    EXPECT_TRUE(window->meter().SetRequest);
    run(1.2);
    EXPECT_EQ(window->engine().PlayMode, 0);
    press(Qt::Key_C);
    EXPECT_NE(window->meter().BdEnabled, before);
}

TEST_F(KeyboardTest, EveryMenuOpensWithAltAndItsLetter) {
    startActive();
    auto* showGraph = window->findChild<QAction*>(QStringLiteral("mnuViewGraph"));
    ASSERT_NE(showGraph, nullptr);
    if (!showGraph->isChecked()) showGraph->trigger(); // the Graph menu is for a shown graph
    for (const auto& [key, name] : {std::pair{Qt::Key_F, "mnuFile"},
                                    {Qt::Key_S, "mnuSettings"},
                                    {Qt::Key_V, "mnuView"},
                                    {Qt::Key_G, "mnuGraph"},
                                    {Qt::Key_A, "mnuRecAudioMode"},
                                    {Qt::Key_T, "mnuTest"},
                                    {Qt::Key_H, "mnuhelp"}}) {
        QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
        const auto* menu = window->findChild<QMenu*>(QString::fromLatin1(name));
        ASSERT_NE(menu, nullptr) << name;
        EXPECT_TRUE(menu->isVisible()) << name;
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }
}

TEST_F(KeyboardTest, CtrlOOpensTheLoadDialogAsODoesFromAnyFocusedWidget) {
    startActive();
    auto recs = test::plainRecords(300);
    ASSERT_FALSE(writeKvdFile(dir.file("rec001.kvd"), recs));
    test::writeText(dir.file("rec001.mp3"), "ID3");
    for (const char* focus : {"cmdPlay", "cmdSave"}) {
        SCOPED_TRACE(focus);
        button(focus)->setFocus(Qt::TabFocusReason);
        log.fileAnswers.push_back(dir.file("rec001.kvd"));
        const std::size_t asked = log.fileRequests.size();
        QTest::keyClick(focused(), Qt::Key_O, Qt::ControlModifier);
        ASSERT_EQ(log.fileRequests.size(), asked + 1);
        EXPECT_EQ(log.fileRequests.back().title, "Load File for Playback");
        EXPECT_TRUE(window->isLoaded());
    }
    // Not while playing, when Load is hidden, as with O.
    press(Qt::Key_P);
    run(1.2);
    const std::size_t asked = log.fileRequests.size();
    QTest::keyClick(focused(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(log.fileRequests.size(), asked);
    // A window key, not a new File item.
    for (QAction* a : window->menus().menu(QStringLiteral("mnuFile"))->actions())
        EXPECT_NE(a->shortcut(), QKeySequence(QKeySequence::Open)) << a->text().toStdString();
}

TEST_F(KeyboardTest, TheFirstKeyAfterADialogCounts) {
    startActive();
    auto recs = test::plainRecords(300);
    ASSERT_FALSE(writeKvdFile(dir.file("rec001.kvd"), recs));
    test::writeText(dir.file("rec001.mp3"), "ID3");
    log.fileAnswers.push_back(dir.file("rec001.kvd"));
    key(Qt::Key_O); // opens the Load dialog...
    ASSERT_TRUE(window->isLoaded());
    QDialog dialog; // ...which has the focus when the key is released
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyRelease(&dialog, Qt::Key_O);
    dialog.close();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    press(Qt::Key_P);
    EXPECT_EQ(window->engine().PlayMode, 2);
}

} // namespace
} // namespace kv
