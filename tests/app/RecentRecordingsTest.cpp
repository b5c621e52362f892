// File > Recent Recordings through the real menus: newest first, missing
// files greyed, a choice loads, Clear List, the start-up choice, and a
// settings file full of garbage.
#include "PlayerFixture.h"

#include "RecentRecordings.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace kv {
namespace {

using test::PlayerWindowTest;
using test::plainRecords;
using test::readText;
using test::writeText;

class RecentRecordingsTest : public PlayerWindowTest {
protected:
    void loadByButton(const std::string& name) {
        writePair(name, plainRecords(600));
        log.fileAnswers.push_back(dir.file(name + ".kvd"));
        click("cmdLoad");
        ASSERT_TRUE(window->isLoaded());
    }
    // Opens File with the mouse and then its Recent Recordings submenu with
    // its access key.
    QMenu* openRecent() {
        QMenu* file = openMenu("mnuFile");
        EXPECT_NE(file, nullptr);
        if (!file) return item("mnuFileRecent")->menu();
        QTest::keyClick(file, Qt::Key_D);
        QMenu* recent = item("mnuFileRecent")->menu();
        EXPECT_EQ(QApplication::activePopupWidget(), recent);
        return recent;
    }
    void clickIn(QMenu* menu, const char* name) {
        QAction* a = menu->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    }
    std::vector<QString> captions(QMenu* menu) {
        std::vector<QString> out;
        for (QAction* a : menu->actions())
            if (a->objectName().startsWith(QStringLiteral("mnuFileRecent_")))
                out.push_back(a->text() + (a->isEnabled() ? QString() : QStringLiteral(" [grey]")));
        return out;
    }
    void closeMenus() {
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }
};

TEST_F(RecentRecordingsTest, NewestFirstMissingGreyedAChoiceLoadsAndClearEmpties) {
    start();
    loadByButton("walk001");
    loadByButton("walk002");
    QMenu* recent = openRecent();
    EXPECT_EQ(captions(recent),
              (std::vector<QString>{QStringLiteral("&1 walk002"), QStringLiteral("&2 walk001")}));
    EXPECT_EQ(recent->actions().front()->toolTip(), QString::fromStdString(dir.path()));
    clickIn(recent, "mnuFileRecent_2");
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("walk001"));
    // Kept in [Player]; the described sections untouched.
    const std::string ini = readText(dir.file("kv_Player.ini"));
    EXPECT_NE(ini.find("Recent1=" + dir.file("walk001.kvd")), std::string::npos);
    EXPECT_NE(ini.find("Recent2=" + dir.file("walk002.kvd")), std::string::npos);

    std::filesystem::remove(dir.file("walk002.kvd"));
    recent = openRecent();
    EXPECT_EQ(captions(recent), (std::vector<QString>{QStringLiteral("&1 walk001"),
                                                      QStringLiteral("&2 walk002 (not found) [grey]")}));
    clickIn(recent, "mnuFileRecentClear");
    recent = openRecent();
    EXPECT_TRUE(captions(recent).empty());
    closeMenus();
    EXPECT_EQ(readText(dir.file("kv_Player.ini")).find(".kvd"), std::string::npos);
}

TEST_F(RecentRecordingsTest, TheLastRecordingOpensAtStartOnlyWhenChosen) {
    start();
    loadByButton("walk001");
    window->recent().openLastIfAsked(); // not chosen: nothing happens
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("walk001"));
    QMenu* recent = openRecent();
    clickIn(recent, "mnuFileRecentAtStart");
    closeMenus();
    EXPECT_NE(readText(dir.file("kv_Player.ini")).find("OpenLastAtStart=True"),
              std::string::npos);

    // The next start: a new window on the same settings.
    window.reset();
    createWindow();
    start();
    EXPECT_FALSE(window->isLoaded());
    window->recent().openLastIfAsked();
    ASSERT_TRUE(window->isLoaded());
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("walk001"));
}

TEST_F(RecentRecordingsTest, GarbageAndAThousandEntriesInTheSettingsFileDoNoHarm) {
    writePair("walk001", plainRecords(600));
    writeText(dir.file("notes.kvd"), "not a recording at all");
    std::string text = "[Player]\nShowOverview=False\n";
    text += "Recent1=" + dir.file("notes.kvd") + "\n";
    text += "Recent2=\x7f\x01garbage\n";
    text += "Recent3=" + dir.file("walk001.kvd") + "\n";
    for (int i = 4; i <= 1000; ++i) text += "Recent" + std::to_string(i) + "=" + std::string(300, 'z') + "\n";
    text += "OpenLastAtStart=True\n";
    writeText(dir.file("kv_Player.ini"), text);
    start();
    // The newest names a file that is no recording: the load refuses it with
    // its message, and nothing is loaded.
    window->recent().openLastIfAsked();
    EXPECT_FALSE(window->isLoaded());
    EXPECT_EQ(log.messages.size(), 1u);
    QMenu* recent = openRecent();
    EXPECT_EQ(captions(recent),
              (std::vector<QString>{QStringLiteral("&1 notes"), QStringLiteral("&2 walk001")}));
    clickIn(recent, "mnuFileRecent_2");
    ASSERT_TRUE(window->isLoaded());
    // Every line past the list is as it was.
    const std::string after = readText(dir.file("kv_Player.ini"));
    EXPECT_NE(after.find("Recent1=" + dir.file("walk001.kvd") + "\nRecent2=" +
                         dir.file("notes.kvd") + "\nRecent3=\n"),
              std::string::npos);
    EXPECT_NE(after.find("Recent1000=" + std::string(300, 'z') + "\nOpenLastAtStart=True\n"),
              std::string::npos);
}

} // namespace
} // namespace kv
