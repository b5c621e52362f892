#include "KvdFile.h"
#include "MeterPanelView.h"
#include "PositionBar.h"
#include "RecordingFakeChannel.h"
#include "Scheduler.h"
#include "ScriptedDialogs.h"
#include "SiblingList.h"
#include "TempDir.h"
#include "WindowFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::TempDir;

class MainWindowTest : public test::WindowFixture {
protected:
    MainWindowTest() {
        settings.Load_Settings();
        config.setDefaults(dir.path(), 1280);
        createWindow();
        window->resize(900, 700);
        window->show();
    }
    void recording(const std::string& name, int records = 3000, const char* audioExt = ".mp3") {
        ASSERT_FALSE(writeKvdFile(dir.file(name + ".kvd"), test::plainRecords(records)));
        if (audioExt) test::writeText(dir.file(name + audioExt), "ID3");
    }
    template <typename T> T* child(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    std::string label(const char* name) { return child<QLabel>(name)->text().toStdString(); }
};

TEST_F(MainWindowTest, LoadButtonOpensTheDialogAndLoadsTheChosenFile) {
    recording("session one");
    log.fileAnswers.push_back(dir.file("session one.kvd"));
    child<QToolButton>("cmdLoad")->click();

    ASSERT_EQ(log.fileRequests.size(), 1u);
    EXPECT_EQ(log.fileRequests[0].title, "Load File for Playback");
    EXPECT_EQ(log.fileRequests[0].filter, "kvd file (*.kvd*)|*.kvd");
    EXPECT_EQ(log.fileRequests[0].initialDir,
              dir.path()); // LoadPath does not exist: the demo folder
    EXPECT_TRUE(log.messages.empty());
    ASSERT_TRUE(window->isLoaded());
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("session one"));
    EXPECT_EQ(label("lblLoadedFile"), "session one");
    EXPECT_EQ(child<QLabel>("lblLoadedFile")->toolTip().toStdString(), dir.file("session one"));
    EXPECT_EQ(label("lblPlayTime"), "00:00");
    EXPECT_EQ(label("lblTotalTime"), "01:00"); // 59980 ms rounds to 60 s
    EXPECT_EQ(child<MeterPanelView>("picMeterPanel")->fileDisplayText(), dir.file("session one"));
    auto* bar = child<PositionBar>("picFilePosition");
    EXPECT_EQ(bar->filledTo(), bar->scaleWidth());
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(settings.values.LoadPath, dir.path() + "/");
    EXPECT_TRUE(child<QWidget>("picRecord")->isEnabled());

    // The next dialog starts in the loaded recording's folder.
    log.fileAnswers.push_back(std::nullopt);
    window->cmdLoad_Click();
    EXPECT_EQ(log.fileRequests[1].initialDir, dir.path());
    EXPECT_TRUE(window->isLoaded()); // cancelling changes nothing
    EXPECT_TRUE(child<QWidget>("picRecord")->isEnabled());
}

TEST_F(MainWindowTest, FailedLoadsShowTheirMessageAndLeaveNothingLoaded) {
    recording("good");
    window->openChosenFile(dir.file("good.kvd"));
    ASSERT_TRUE(window->isLoaded());

    recording("silent", 100, nullptr);
    window->openChosenFile(dir.file("silent.kvd"));
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0].title, "File Not Found");
    EXPECT_EQ(log.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(log.messages[0].text.rfind("The audio file is missing.", 0), 0u);
    EXPECT_FALSE(window->isLoaded());
    EXPECT_EQ(label("lblLoadedFile"), "No File Loaded");
    EXPECT_EQ(child<MeterPanelView>("picMeterPanel")->fileDisplayText(), "No File Loaded");
    EXPECT_FALSE(child<PositionBar>("picFilePosition")->isEnabled());

    test::writeText(dir.file("junk.kvd"), std::string(400, 'j'));
    test::writeText(dir.file("junk.mp3"), "ID3");
    window->openChosenFile(dir.file("junk.kvd"));
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_EQ(log.messages[1],
              (UserMessage{"This file is corrupt or needs to be converted to version 2 format.",
                           "Incompatible file format", MessageIcon::Exclamation}));

    settings.values.AudioEnable = false;
    window->openChosenFile(dir.file("good.kvd"));
    ASSERT_EQ(log.messages.size(), 3u);
    EXPECT_EQ(
        log.messages[2].text,
        "The Dummy.mp3 file is missing. This should be located in the application directory.\n\n"
        "Looked for " +
            dir.file("dummy.mp3") + ".");
}

TEST_F(MainWindowTest, RightClickOnLoadListsTheNumberedSiblings) {
    for (const char* n : {"walk001", "walk002", "walk007", "walk010"})
        recording(n, 60);
    window->openChosenFile(dir.file("walk007.kvd"));
    ASSERT_TRUE(window->isLoaded());

    QTest::mouseClick(child<QToolButton>("cmdLoad"), Qt::RightButton);
    auto* list = child<QComboBox>("cboFile");
    ASSERT_TRUE(list->isVisible());
    EXPECT_FALSE(child<QLabel>("lblLoadedFile")->isVisible());
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->itemText(0).toStdString(), "001");
    EXPECT_EQ(list->itemText(3).toStdString(), "010");
    EXPECT_EQ(list->currentText().toStdString(), "007");
    list->hidePopup();

    // Arrow keys move through the list without loading each entry.
    list->setFocus();
    QTest::keyPress(list, Qt::Key_Down);
    EXPECT_EQ(list->currentText().toStdString(), "010");
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("walk007"));
    QTest::keyRelease(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(child<QLabel>("lblLoadedFile")->isVisible());
    EXPECT_EQ(label("lblLoadedFile"), "walk010");
}

TEST_F(MainWindowTest, ARecordingNamedInCapitalsLoadsWithItsSiblings) {
    // Files copied from media that show short names in capitals.
    for (const char* n : {"WALK001", "WALK002"}) {
        ASSERT_FALSE(writeKvdFile(dir.file(std::string(n) + ".KVD"), test::plainRecords(60)));
        test::writeText(dir.file(std::string(n) + ".MP3"), "ID3");
    }
    log.fileAnswers.push_back(dir.file("WALK001.KVD"));
    child<QToolButton>("cmdLoad")->click();
    EXPECT_TRUE(log.messages.empty()) << log.messages[0].text;
    ASSERT_TRUE(window->isLoaded());
    EXPECT_EQ(label("lblLoadedFile"), "WALK001");
    EXPECT_EQ(window->recording()->AudioPath, dir.file("WALK001.MP3"));

    QTest::mouseClick(child<QToolButton>("cmdLoad"), Qt::RightButton);
    auto* list = child<QComboBox>("cboFile");
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->count(), 2);
    list->hidePopup();
}

TEST_F(MainWindowTest, SiblingListStaysOpenWhileItsDropDownIsOpen) {
    for (const char* n : {"walk001", "walk002"})
        recording(n, 60);
    window->openChosenFile(dir.file("walk001.kvd"));
    auto* load = child<QToolButton>("cmdLoad");
    auto* list = child<QComboBox>("cboFile");
    QTest::mousePress(load, Qt::RightButton);
    QTest::mouseRelease(load, Qt::RightButton);
    ASSERT_TRUE(list->isVisible());
    ASSERT_TRUE(list->view()->isVisible()); // the drop-down is open
    // The window system moves the focus while the drop-down opens.
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(list, &out);
    EXPECT_TRUE(list->isVisible());
    list->hidePopup();
    QFocusEvent away(QEvent::FocusOut, Qt::MouseFocusReason); // a click elsewhere
    QApplication::sendEvent(list, &away);
    EXPECT_FALSE(list->isVisible());
}

TEST(SiblingList, OnlyNamesEndingInThreeDigitsHaveSiblings) {
    TempDir dir;
    for (const char* n :
         {"walk001.kvd", "walk002.kvd", "walk007.kvd", "walk010.kvd", "walk011.wav"})
        test::writeText(dir.file(n), "x");
    const auto list = findSiblings(dir.file("walk007"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->numbers, (std::vector<std::string>{"001", "002", "007", "010"}));
    EXPECT_EQ(list->selected, 2);
    EXPECT_EQ(list->prefix, dir.file("walk"));
    EXPECT_FALSE(findSiblings(dir.file("walk")));
    EXPECT_FALSE(findSiblings(dir.file("walk000")));
    EXPECT_FALSE(findSiblings(dir.file("walk7a1")));
    EXPECT_FALSE(findSiblings("07"));
}

TEST(QtFilter, TheBarSeparatesDescriptionAndPattern) {
    EXPECT_EQ(toQtFilter("kvd file (*.kvd*)|*.kvd"), "kvd file (*.kvd)");
    EXPECT_EQ(toQtFilter("Settings|*.ini"), "Settings (*.ini)");
    EXPECT_EQ(toQtFilter("All (*)"), "All (*)");
}

} // namespace
} // namespace kv
