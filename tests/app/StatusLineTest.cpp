// What is in force shows in the title and the status bar; files written are
// named there with "Open Folder"; a report no viewer opens says where it is.
#include "PlayerFixture.h"

#include "DemoData.h"
#include "RecordStrip.h"
#include "SoundChannel.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::PlayerWindowTest;
using test::readText;
using test::writeText;

class StatusLineTest : public PlayerWindowTest {
protected:
    QStatusBar* bar() { return window->findChild<QStatusBar*>(); }
    QString inForce() { return window->findChild<QLabel*>(QStringLiteral("lblInForce"))->text(); }
    // Audio > Speed > the item, with the mouse on the menus and the arrow
    // key that opens a submenu.
    void chooseSpeed(const char* itemName) {
        QMenu* audioMenu = openMenu("mnuRecAudioMode");
        ASSERT_NE(audioMenu, nullptr);
        QMenu* speed = window->findChild<QMenu*>(QStringLiteral("mnuListenSpeed"));
        audioMenu->setActiveAction(speed->menuAction());
        QTest::keyClick(audioMenu, Qt::Key_Right);
        ASSERT_EQ(QApplication::activePopupWidget(), speed);
        QTest::mouseClick(speed, Qt::LeftButton, {}, speed->actionGeometry(item(itemName)).center());
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }
};

TEST_F(StatusLineTest, SpeedAndMuteShowInTheTitleAndTheBarShowsItself) {
    start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("kv Player")); // as described, with defaults
    loadRecording();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("rec001 \u2014 kv Player"));
    EXPECT_FALSE(bar()->isVisibleTo(window.get()));
    EXPECT_FALSE(item("mnuViewStatusBar")->isChecked());

    choose("mnuRecAudioMode", "mnuListenMute");
    chooseSpeed("mnuListenSpeed200");
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("rec001 \u2014 2\u00d7 \u2014 muted \u2014 kv Player"));
    EXPECT_TRUE(bar()->isVisibleTo(window.get()));
    EXPECT_TRUE(item("mnuViewStatusBar")->isChecked());
    EXPECT_EQ(inForce(), QStringLiteral("2\u00d7  \u00b7  muted"));
    // The bar takes its own room: the strip's buttons stay above it.
    const QWidget* strip = window->findChild<RecordStrip*>();
    EXPECT_LE(strip->mapTo(window.get(), QPoint(0, strip->height())).y(), bar()->geometry().top());

    // A range shows in the bar while it is set.
    dragOnBar(200, 500);
    EXPECT_TRUE(inForce().endsWith(QStringLiteral("range 00:12 to 00:30")));

    // Back at their defaults: the title as described, the bar away again.
    choose("mnuRecAudioMode", "mnuListenMute");
    chooseSpeed("mnuListenSpeed100");
    EXPECT_EQ(window->windowTitle(), QStringLiteral("rec001 \u2014 kv Player"));
    EXPECT_EQ(inForce(), QStringLiteral("range 00:12 to 00:30")); // the range still is
}

TEST_F(StatusLineTest, TheUsersChoiceOfTheBarIsKeptAndObeyed) {
    start();
    loadRecording();
    chooseSpeed("mnuListenSpeed150");
    ASSERT_TRUE(bar()->isVisibleTo(window.get()));
    choose("mnuView", "mnuViewStatusBar"); // off, although 1.5x is in force
    EXPECT_FALSE(bar()->isVisibleTo(window.get()));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("rec001 \u2014 1.5\u00d7 \u2014 kv Player"));
    EXPECT_NE(readText(dir.file("kv_Player.ini")).find("StatusBar=False"), std::string::npos);

    // The next start keeps the choice; View shows it on again.
    window.reset();
    createWindow();
    start();
    EXPECT_FALSE(bar()->isVisibleTo(window.get()));
    choose("mnuView", "mnuViewStatusBar");
    EXPECT_TRUE(bar()->isVisibleTo(window.get()));
    EXPECT_EQ(inForce(), QStringLiteral("1.5\u00d7"));
}

TEST_F(StatusLineTest, AnExportIsNamedWithOpenFolder) {
    writeText(dir.file("kv_Player.ini"), "[Player]\nShowEventList=True\n");
    start();
    loadRecording();
    const std::string csv = dir.file("out/events.csv");
    std::filesystem::create_directory(dir.file("out"));
    log.fileAnswers.push_back(csv);
    auto* exportButton = window->findChild<QPushButton*>(QStringLiteral("cmdExportEvents"));
    ASSERT_NE(exportButton, nullptr);
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_TRUE(std::filesystem::exists(csv));
    EXPECT_TRUE(bar()->isVisibleTo(window.get())); // shown for the notice
    auto* written = window->findChild<QLabel*>(QStringLiteral("lblWritten"));
    EXPECT_EQ(written->text(), QString::fromStdString("Events exported to " + csv));
    auto* open = window->findChild<QToolButton*>(QStringLiteral("cmdOpenFolder"));
    ASSERT_TRUE(open->isVisibleTo(window.get()));
    QTest::mouseClick(open, Qt::LeftButton);
    EXPECT_EQ(log.openedFolders, std::vector<std::string>{dir.file("out")});
}

TEST_F(StatusLineTest, AReportNoViewerOpensSaysWhereItWasWritten) {
    start();
    loadRecording();
    log.documentViewer = false;
    const std::string pdf = dir.file("report.pdf");
    log.fileAnswers.push_back(pdf);
    choose("mnuFile", "mnuFileExportReport");
    ASSERT_TRUE(std::filesystem::exists(pdf));
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].text.find("No program to show PDF documents"), std::string::npos);
    EXPECT_NE(log.messages[0].text.find(pdf), std::string::npos);
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblWritten"))->text(),
              QString::fromStdString("Report written to " + pdf));
}

TEST_F(StatusLineTest, ASavedSegmentIsNamed) {
    // A real (silent) channel and a real sound: the save writes both files.
    SoundChannel silent{SoundChannel::Options{true, {}}};
    window.reset();
    createWindow(&silent);
    start();
    DemoOptions o;
    o.records = 2000;
    ASSERT_FALSE(writeKvdFile(dir.file("walk001.kvd"), makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(dir.file("walk001.wav"), 40.5, DemoAudioFormat::Wav, 8000, 1), "");
    window->openChosenFile(dir.file("walk001.kvd"));
    ASSERT_TRUE(window->isLoaded());
    dragOnBar(200, 500);
    log.fileAnswers.push_back(dir.file("part.kvd"));
    click("cmdSave");
    ASSERT_TRUE(std::filesystem::exists(dir.file("part.kvd")));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblWritten"))->text(),
              QString::fromStdString("Recording saved as " + dir.file("part.kvd")));
    // The Save dialog opened in the recording's folder.
    EXPECT_EQ(log.fileRequests.back().initialDir, dir.path());
    window.reset(); // before the channel it plays on
}

} // namespace
} // namespace kv
