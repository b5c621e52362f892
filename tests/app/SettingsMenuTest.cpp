#include "RecordingFakeChannel.h"
#include "Scheduler.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "WindowFixture.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::TempDir;

class SettingsMenuTest : public test::WindowFixture {
protected:
    void start(const std::string& ini = "") {
        if (!ini.empty()) test::writeText(dir.file("kv_Player.ini"), ini);
        createWindow();
        window->Form_Load(1920);
    }
    QAction* item(const char* name) { return window->menus().item(QString::fromLatin1(name)); }
    QAction* indexed(const char* group, int i) {
        return window->menus().indexed(QString::fromLatin1(group), i);
    }
};

TEST_F(SettingsMenuTest, StartUpAppliesTheFileToTheMenus) {
    start(
        "[Settings]\nFreezeEnable=True\nBM_Threshold_Index=3\nDataLag_Index=5\nSwitchMode_Index=2\n"
        "[Format]\nNeedle_Width=0\nRecordVisible=False\n[Graph]\nGridY=True\n");
    EXPECT_TRUE(item("mnuSetBmFreezeOn")->isChecked());
    EXPECT_FALSE(item("mnuSetBmFreezeOff")->isChecked());
    EXPECT_TRUE(indexed("mnuSettingsBodyMotionThreshold", 3)->isChecked());
    EXPECT_FALSE(indexed("mnuSettingsBodyMotionThreshold", 2)->isChecked());
    EXPECT_EQ(window->meter().BmThreshold, 100);
    EXPECT_EQ(window->meter().LagThreshold, 5);
    EXPECT_TRUE(indexed("mnuSettingsExtSwMode", 2)->isChecked());
    EXPECT_TRUE(indexed("mnuSettingsNeedleWidth", 0)->isChecked());
    EXPECT_TRUE(item("mnuGraphGridY")->isChecked());
    EXPECT_FALSE(item("mnuGraphGridX")->isChecked());
    EXPECT_TRUE(settings.values.RecordVisible); // the recording panel is always shown
}

TEST_F(SettingsMenuTest, RadioGroupsCheckOneItem) {
    start();
    indexed("mnuSettingsNeedleWidth", 0)->trigger();
    indexed("mnuSettingsNeedleWidth", 3)->trigger();
    EXPECT_EQ(settings.values.Needle_Width, 3);
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(indexed("mnuSettingsNeedleWidth", i)->isChecked(), i == 3) << i;
    indexed("mnuSetColNeedleShadow_Index", 5)->trigger();
    EXPECT_EQ(settings.values.ShadowNeedleColor_Index, 5);
    EXPECT_EQ(indexed("mnuSettingsNeedleWidth", 3)->text(), QStringLiteral("3 Pixels"));
    EXPECT_EQ(indexed("mnuSetColNeedleShadow_Index", 5)->text(), QStringLiteral("Full"));
}

// Load Settings makes every loaded value take effect, as start-up does:
// the check marks, the working thresholds, the freeze and the counter.
TEST_F(SettingsMenuTest, LoadSettingsAppliesTheFileToMenusAndMeter) {
    start();
    EXPECT_FALSE(window->meter().FreezeEnable);
    EXPECT_FALSE(window->meter().NeedleBdEnable);
    test::writeText(dir.file("other.ini"),
                    "[Format]\nNeedle_Width=6\n[Colors]\nPanel_Color=255\n"
                    "[Settings]\nBM_Threshold_Index=3\nDataLag_Index=5\nFreezeEnable=True\n"
                    "NeedleBdEnable=True\nSwitchMode_Index=2\n[Graph]\nGridX=True\n");
    log.fileAnswers.push_back(dir.file("other.ini"));
    item("mnuLoadSettings")->trigger();
    EXPECT_EQ(log.fileRequests.back().title, "Load Settings File");
    EXPECT_EQ(log.fileRequests.back().filter, "ini file (*.ini)|*.ini");
    EXPECT_EQ(settings.SettingsFilePath, dir.file("other.ini"));
    EXPECT_EQ(settings.values.Needle_Width, 6);
    EXPECT_EQ(settings.values.Panel_Color, 255);
    for (int i = 0; i <= 8; ++i)
        EXPECT_EQ(indexed("mnuSettingsNeedleWidth", i)->isChecked(), i == 6) << i;
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(indexed("mnuSettingsBodyMotionThreshold", i)->isChecked(), i == 3) << i;
    EXPECT_EQ(window->meter().BmThreshold, 100);
    EXPECT_EQ(window->meter().LagThreshold, 5);
    EXPECT_TRUE(indexed("mnuSettingsExtSwMode", 2)->isChecked());
    EXPECT_TRUE(item("mnuGraphGridX")->isChecked());
    EXPECT_TRUE(item("mnuSetBmFreezeOn")->isChecked());
    EXPECT_FALSE(item("mnuSetBmFreezeOff")->isChecked());
    EXPECT_TRUE(window->meter().FreezeEnable);
    EXPECT_TRUE(item("mnuSetNeedleBDOn")->isChecked());
    EXPECT_TRUE(window->meter().NeedleBdEnable);
}

// The settings file chosen by Load Settings or Save Settings As is the one
// the next start uses: line 1 of kv_Player.cfg names it at exit.
TEST_F(SettingsMenuTest, TheSessionFileNamesTheSettingsFileChosenLast) {
    const auto firstLine = [this] {
        const std::string cfg = test::readText(dir.file("kv_Player.cfg"));
        return cfg.substr(0, cfg.find("\r\n"));
    };
    start();
    test::writeText(dir.file("other.ini"), "[Format]\nNeedle_Width=6\n");
    log.fileAnswers.push_back(dir.file("other.ini"));
    item("mnuLoadSettings")->trigger();
    window->Form_QueryUnload();
    EXPECT_EQ(firstLine(), "\"" + dir.file("other.ini") + "\"");

    start();
    EXPECT_EQ(settings.values.Needle_Width, 6); // the next start loads it
    log.fileAnswers.push_back(dir.file("saved as.ini"));
    item("mnuSaveSettingsAs")->trigger();
    window->Form_QueryUnload();
    EXPECT_EQ(firstLine(), "\"" + dir.file("saved as.ini") + "\"");
}

// A needle width the file holds as "abc" is not the one in force: after
// choosing "3 Pixels", closing in Prompt mode asks before the change is lost.
TEST_F(SettingsMenuTest, AChangeOverAnUnreadableKeyIsAskedAboutAtExit) {
    start("[Format]\nNeedle_Width=abc\n");
    ASSERT_EQ(config.AutoSaveMode, 2);
    indexed("mnuSettingsNeedleWidth", 3)->trigger();
    log.yesNoAnswers.push_back(true);
    window->Form_QueryUnload();
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.back().title, "Program settings have changed");
    EXPECT_NE(test::readText(dir.file("kv_Player.ini")).find("Needle_Width=3"),
              std::string::npos);
}

TEST_F(SettingsMenuTest, SaveSettingsAsReplacesTheFile) {
    start();
    test::writeText(dir.file("mine.ini"), "[Junk]\nold=1\n[Recording]\nSavePath=/x\n");
    log.fileAnswers.push_back(dir.file("mine.ini"));
    item("mnuSaveSettingsAs")->trigger();
    EXPECT_EQ(settings.SettingsFilePath, dir.file("mine.ini"));
    const std::string text = test::readText(dir.file("mine.ini"));
    EXPECT_EQ(text.find("Junk"), std::string::npos);
    EXPECT_EQ(text.find("[Recording]"), std::string::npos);
    EXPECT_LT(text.find("[Colors]"), text.find("[Format]"));
    EXPECT_LT(text.find("[Settings]"), text.find("[Graph]"));

    log.fileAnswers.push_back(std::nullopt); // cancelling changes nothing
    item("mnuSaveSettingsAs")->trigger();
    EXPECT_EQ(settings.SettingsFilePath, dir.file("mine.ini"));
}

TEST_F(SettingsMenuTest, ColourCommandsStoreTheChoiceAndStartFromTheLastOne) {
    start();
    log.colourAnswers.push_back(0x123456);
    item("mnuSetColPanel")->trigger();
    EXPECT_EQ(settings.values.Panel_Color, 0x123456);
    log.colourAnswers.push_back(std::nullopt); // cancelled: nothing changes
    item("mnuSetColDial")->trigger();
    EXPECT_EQ(settings.values.Dial_Color, 16777215);
    log.colourAnswers.push_back(0x00FF00);
    item("mnuSetColorGraphPen")->trigger();
    EXPECT_EQ(log.colourStarts,
              (std::vector<std::int32_t>{0, 0x123456, 0})); // the pen starts from its own colour
    EXPECT_EQ(settings.values.GraphPen_Color, 0x00FF00);

    item("mnuSettingsColorsDefault")->trigger();
    EXPECT_EQ(settings.values.Panel_Color, 10070316);
    EXPECT_EQ(settings.values.GraphPen_Color, 0);
}

} // namespace
} // namespace kv

#include "AboutBox.h"

#include <QLabel>

namespace kv {
namespace {

TEST_F(SettingsMenuTest, AboutBoxAndHelp) {
    start();
    int shown = 0;
    log.onModal = [&](QDialog& d) {
        ++shown;
        EXPECT_EQ(d.windowTitle(), QStringLiteral("About kv Player"));
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("lblSoft"))->text(),
                  QStringLiteral(KV_VERSION));
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("lblDisclaimer"))->text(), disclaimerText());
        EXPECT_TRUE(disclaimerText().contains(QStringLiteral("not a medical device")));
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("lblLicence"))->text(), licenceText());
        EXPECT_TRUE(licenceText().contains(QStringLiteral("GPL-3.0-or-later")));
    };
    item("mnuhelpAbout")->trigger();
    item("mnuhelpAbout")->trigger(); // the same texts the second time
    EXPECT_EQ(shown, 2);
}

} // namespace
} // namespace kv
