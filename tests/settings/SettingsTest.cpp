#include "Settings.h"
#include "FileCallLog.h"
#include "PlayerPreferences.h"
#include "ProfileFile.h"
#include "TempDir.h"
#include "TextConversion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace kv {
namespace {

using test::TempDir;

TEST(TextConversion, NumbersBooleansAndRefusals) {
    EXPECT_EQ(textToInt32(" 42 "), 42);
    EXPECT_EQ(textToInt32("2.5"), 2);
    EXPECT_EQ(textToInt32("3.5"), 4);
    EXPECT_EQ(textToInt32("-7"), -7);
    EXPECT_FALSE(textToInt32("abc"));
    EXPECT_FALSE(textToInt32(""));
    EXPECT_FALSE(textToInt32("12abc"));
    EXPECT_FALSE(textToInt32("99999999999"));
    EXPECT_EQ(textToInt16("32767"), 32767);
    EXPECT_FALSE(textToInt16("70000"));
    EXPECT_EQ(textToBool("TRUE"), true);
    EXPECT_EQ(textToBool("false"), false);
    EXPECT_EQ(textToBool("1"), true);
    EXPECT_EQ(textToBool("0"), false);
    EXPECT_EQ(textToBool("-1"), true);
    EXPECT_FALSE(textToBool("yes"));
    EXPECT_FALSE(textToBool(""));
}

TEST(ProfileFile, WritingAKeyKeepsEverythingElse) {
    TempDir dir;
    const std::string path = dir.file("kv.ini");
    test::writeText(path, "; my notes\n[Colors]\nDial_Color=1\nMine=keep me\n\n[Extra]\nx=1\n");
    {
        ProfileFile f(path);
        EXPECT_EQ(f.read("colors", "DIAL_COLOR", "d"), "1");
        EXPECT_EQ(f.read("Colors", "Nope", "d"), "d");
        f.write("Colors", "Dial_Color", "2");
        f.write("Colors", "Text_Color", "3");
        f.write("Graph", "GridX", "True");
        ASSERT_FALSE(f.save()); // no error
    }
    const std::string text = test::readText(path);
    EXPECT_NE(text.find("; my notes"), std::string::npos);
    EXPECT_NE(text.find("Mine=keep me"), std::string::npos);
    EXPECT_LT(text.find("Dial_Color=2"), text.find("Text_Color=3"));
    EXPECT_LT(text.find("Text_Color=3"), text.find("[Extra]"));
    EXPECT_LT(text.find("[Extra]"), text.find("[Graph]"));
}

TEST(ProfileFile, ValuesComeBackUnquotedAndCut) {
    TempDir dir;
    const std::string path = dir.file("q.ini");
    test::writeText(path, "[Recording]\nSavePath=\"C:\\a b\\\"\nLoadPath=" + std::string(300, 'x') +
                              "\nEmpty=\n");
    ProfileFile f(path);
    EXPECT_EQ(f.read("Recording", "SavePath", ""), "C:\\a b\\");
    EXPECT_EQ(f.read("Recording", "LoadPath", "").size(), 254u);
    EXPECT_EQ(f.read("Recording", "Empty", "default"), "");
}

TEST(ProfileFile, TheFileIsWrittenFlushedRenamedAndItsFolderFlushed) {
    TempDir dir;
    const std::string path = dir.file("q.ini");
    test::writeText(path, "[Recording]\nSavePath=a\n");
    ProfileFile f(path);
    f.write("Recording", "SavePath", "b");
    test::FileCallLog log;
    ASSERT_FALSE(f.save());
    EXPECT_THAT(log.calls(), ::testing::ElementsAre("write ~tmp:q.ini", "fsync ~tmp:q.ini",
                                                    "rename ~tmp:q.ini q.ini", "fsync dir/"));
    EXPECT_EQ(ProfileFile(path).read("Recording", "SavePath", ""), "b");
}

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : store(dir.path()) {}
    TempDir dir;
    SettingsStore store;
};

TEST_F(SettingsTest, UnconvertibleValuesKeepThePreviousValue) {
    test::writeText(
        store.SettingsFilePath,
        "[Colors]\nDial_Color=abc\nShadowNeedleColor_Index=70000\n[Format]\nRecordVisible=1\n"
        "ClockLeft=maybe\nDialType=9\n");
    store.values.ShadowNeedleColor_Index = 3;
    store.values.ClockLeft = true;
    store.Load_Settings();
    EXPECT_EQ(store.values.Dial_Color, 0);              // the initial value stands
    EXPECT_EQ(store.values.ShadowNeedleColor_Index, 3); // does not fit 16 bits
    EXPECT_TRUE(store.values.ClockLeft);
    EXPECT_TRUE(store.values.RecordVisible);
    EXPECT_EQ(store.values.DialType, 9); // no range check
    EXPECT_EQ(store.values.LED_Set_Color, 65280);
}

TEST_F(SettingsTest, SaveWritesSectionsAndKeysInOrder) {
    store.Load_Settings();
    store.values.ChosenDialType = 2;
    store.values.DialType = 0; // in force, not saved
    store.Save_Settings();
    const std::string text = test::readText(store.SettingsFilePath);
    const char* order[] = {"[Colors]",
                           "Dial_Color=16777215",
                           "MainNeedle_Color=255",
                           "ShadowNeedleColor_Index=1",
                           "Scale_Color=",
                           "FreezeNeedle_Color=",
                           "Text_Color=",
                           "[Format]",
                           "Needle_Width=4",
                           "DialType=2",
                           "ScaleType=0",
                           "RecordVisible=True",
                           "GraphHeight_Index=3",
                           "GraphVisible=False",
                           "ClockType=3",
                           "ClockLeft=False",
                           "DateType=1",
                           "[Settings]",
                           "SwitchMode_Index=1",
                           "kv3SensorMode=False",
                           "[Graph]",
                           "GraphInvert=False",
                           "GraphTimescale=8",
                           "GraphGain=0"};
    std::size_t at = 0;
    for (const char* item : order) {
        const std::size_t found = text.find(item, at);
        ASSERT_NE(found, std::string::npos) << item;
        at = found;
    }
    EXPECT_EQ(text.find("[Recording]"), std::string::npos);
    EXPECT_TRUE(store.Check_SettingsSaved());

    store.Save_RecordingSettings();
    const std::string withRecording = test::readText(store.SettingsFilePath);
    EXPECT_NE(withRecording.find("AudioEnable=True\nRecPromptEnable=False\nPlayLoopEnable=False"),
              std::string::npos);
}

TEST_F(SettingsTest, TheExitComparisonSeesRealChangesOnly) {
    store.Load_Settings();
    store.values.ChosenDialType = 1;
    store.Save_Settings();
    EXPECT_TRUE(store.Check_SettingsSaved());

    store.values.DialType = 3; // playback changing the style in force
    EXPECT_TRUE(store.Check_SettingsSaved());
    store.values.GraphHeight_Index = "3"; // a menu choice equal to the file
    EXPECT_TRUE(store.Check_SettingsSaved());
    store.values.SavePath = "/elsewhere"; // the Recording section is not compared
    EXPECT_TRUE(store.Check_SettingsSaved());
    // Each compared key changed alone: SettingsRoundTrip.
}

// A key the file holds as text that cannot be converted does not hold the
// value in force: the exit comparison reports it, so a change is not lost
// without a question. Keys of every kind, and one that converts, as a check.
TEST_F(SettingsTest, TheExitComparisonCountsAnUnconvertibleKeyAsChanged) {
    const struct {
        const char* section;
        const char* line;
        bool same;
    } cases[] = {
        {"Format", "Needle_Width=abc", false},       // 16-bit
        {"Colors", "Dial_Color=", false},            // colour, empty
        {"Format", "ClockType=3x", false},           // 32-bit
        {"Settings", "FreezeEnable=maybe", false},   // Boolean
        {"Graph", "GridX=", false},                  // Boolean, empty
        {"Format", "Needle_Width= 4 ", true},        // converts: equal to the default
    };
    for (const auto& c : cases) {
        test::writeText(store.SettingsFilePath, std::string("[") + c.section + "]\n" + c.line + "\n");
        store.values = defaultSettings();
        EXPECT_EQ(store.Check_SettingsSaved(), c.same) << c.line;
    }
}

TEST_F(SettingsTest, RecordVisibleOneSavesBackAsTrueAndDefaultsRestoreColours) {
    test::writeText(store.SettingsFilePath, "[Format]\nRecordVisible=1\n[Colors]\nPanel_Color=5\n");
    store.Load_Settings();
    store.values.ChosenDialType = 1;
    EXPECT_TRUE(store.Check_SettingsSaved());
    store.Save_Settings();
    EXPECT_NE(test::readText(store.SettingsFilePath).find("RecordVisible=True"), std::string::npos);

    store.values.Text_Color = 77;
    store.Set_DefaultColors();
    EXPECT_EQ(store.values.Panel_Color, 10070316);
    EXPECT_EQ(store.values.Text_Color, 0);
    EXPECT_NE(test::readText(store.SettingsFilePath).find("Panel_Color=5"),
              std::string::npos); // writes nothing
}

TEST_F(SettingsTest, AMissingSettingsFileFallsBackToTheDefaultPath) {
    store.SettingsFilePath = dir.file("gone/other.ini");
    store.Load_Settings();
    EXPECT_EQ(store.SettingsFilePath, dir.file("kv_Player.ini"));
}

TEST(ProfileFile, EveryLineItDoesNotSetIsKeptByteForByte) {
    TempDir dir;
    const std::string path = dir.file("kv.ini");
    const std::string before = "; notes\r\n[Colors]\r\nDial_Color = 1\r\njust words\r\n"
                               "Dial_Color=9\r\n\r\n[Mine]\r\nx=1\r\n; last words";
    test::writeText(path, before);
    ProfileFile f(path);
    EXPECT_EQ(f.read("Colors", "Dial_Color", ""), "1"); // the first of two equal keys
    f.write("Colors", "Dial_Color", "1");               // unchanged: nothing to write
    ASSERT_FALSE(f.save());
    EXPECT_EQ(test::readText(path), before);
    f.write("Colors", "Dial_Color", "2");
    f.write("Colors", "Text_Color", "3");
    f.write("Graph", "GridX", "True");
    ASSERT_FALSE(f.save());
    EXPECT_EQ(test::readText(path),
              "; notes\r\n[Colors]\r\nDial_Color =2\r\njust words\r\nDial_Color=9\r\n"
              "Text_Color=3\r\n\r\n[Mine]\r\nx=1\r\n; last words\r\n[Graph]\r\nGridX=True\r\n");
}

TEST(ProfileFile, ANulByteHidesNothingAndLosesNothing) {
    TempDir dir;
    const std::string path = dir.file("kv.ini");
    const std::string hidden = std::string("1") + '\0' + "junk\nText_Color=5";
    const std::string before = "[Colors]\nDial_Color=" + hidden + "\n[Graph]\nGridX=True\n";
    test::writeText(path, before);
    ProfileFile f(path);
    EXPECT_EQ(f.read("Colors", "Dial_Color", ""), "1");
    EXPECT_EQ(f.read("Colors", "Text_Color", ""), "5");
    EXPECT_EQ(f.read("Graph", "GridX", ""), "True");
    f.write("Graph", "GridX", "False");
    ASSERT_FALSE(f.save());
    const std::string after = test::readText(path);
    EXPECT_EQ(after.size(), before.size() + 1);
    EXPECT_NE(after.find(hidden), std::string::npos);
}

// A settings file at dir/kv_Player.ini that Save must leave exactly as it is.
class UnwritableSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { store.SettingsFilePath = path; }
    // Loads, changes a colour and saves; the error Save_Settings reports.
    std::optional<FileError> loadChangeSave() {
        store.Load_Settings();
        store.SettingsFilePath = path; // Load_Settings may fall back to the default
        store.values.Dial_Color = 123;
        return store.Save_Settings();
    }
    TempDir dir;
    std::string path = dir.file("kv_Player.ini");
    SettingsStore store{dir.path()};
};

TEST_F(UnwritableSettingsTest, ARecordingsDataOrSoundFileIsNeverWrittenAsSettings) {
    // Chosen by mistake in Load Settings or Save Settings As, a recording's
    // file would get settings lines written into it at the next save.
    const std::string bytes = std::string("\x10\x27\0\0O\n[Recording]\nSavePath=x\n", 25);
    for (const char* name : {"rec001.kvd", "rec001.WAV", "rec001.mp3", "new.kvd"}) {
        SCOPED_TRACE(name);
        const std::string file = dir.file(name);
        const bool exists = std::string(name) != "new.kvd";
        if (exists) test::writeText(file, bytes);
        store.SettingsFilePath = file;
        for (const auto& e :
             {store.Save_RecordingSettings(), store.Save_Settings(), store.Save_SettingsAs(file)}) {
            ASSERT_TRUE(e);
            EXPECT_NE(couldNotSaveSettingsText(*e).find(file + " is not a settings file"),
                      std::string::npos)
                << e->description;
        }
        if (exists)
            EXPECT_EQ(test::readText(file), bytes);
        else
            EXPECT_FALSE(std::filesystem::exists(file));
    }
}

TEST_F(UnwritableSettingsTest, AFileThatIsARecordingsByItsLinksOrItsBytesIsNeverWritten) {
    // Five 20-byte records, as a data file starts.
    std::string records(100, ' ');
    for (std::size_t i = 0; i < 5; ++i)
        records[i * 20 + 19] = "OPT"[i % 3];
    test::writeText(dir.file("rec.kvd"), records);
    struct Case {
        const char* what;
        std::string bytes; // of my.ini itself; empty: my.ini is a link
        const char* linkTo;
    };
    for (const Case& c : {Case{"a link to a data file", "", "rec.kvd"},
                          Case{"a link to a data file yet to be made", "", "new.kvd"},
                          Case{"a link to a link to a data file", "", "again.ini"},
                          Case{"data records", records, nullptr},
                          Case{"a RIFF sound", std::string("RIFF\x24\0\0\0WAVEfmt ", 16), nullptr},
                          Case{"an ID3 tag", "ID3\x04\x00[Colors]\n", nullptr},
                          Case{"an MP3 frame", "\xFF\xFB\x90\x64[Colors]\n", nullptr}}) {
        SCOPED_TRACE(c.what);
        const std::string file = dir.file("my.ini");
        std::filesystem::remove(file);
        std::filesystem::remove(dir.file("again.ini"));
        std::filesystem::create_symlink("rec.kvd", dir.file("again.ini"));
        if (c.linkTo)
            std::filesystem::create_symlink(c.linkTo, file);
        else
            test::writeText(file, c.bytes);
        const std::string before = c.linkTo && std::string(c.linkTo) == "new.kvd"
                                       ? std::string()
                                       : test::readText(file);
        store.SettingsFilePath = file;
        store.Load_Settings();
        EXPECT_EQ(store.values.Dial_Color, 16777215); // nothing read from it
        store.SettingsFilePath = file; // a missing file falls back to the default
        store.values.Dial_Color = 1;
        for (const auto& e : {store.Save_RecordingSettings(), store.Save_Settings()}) {
            ASSERT_TRUE(e);
            EXPECT_NE(e->description.find("is not a settings file"), std::string::npos)
                << e->description;
        }
        if (before.empty())
            EXPECT_FALSE(std::filesystem::exists(dir.file("new.kvd")));
        else
            EXPECT_EQ(test::readText(file), before);
        EXPECT_EQ(test::readText(dir.file("rec.kvd")), records);
    }
}

TEST_F(SettingsTest, AValueWithALineBreakIsNotStoredAndTheErrorNamesIt) {
    test::writeText(store.SettingsFilePath, "[Recording]\nLoadPath=/old/\n");
    for (const char* brk : {"\n", "\r", "\r\n"}) {
        SCOPED_TRACE(::testing::PrintToString(brk));
        store.Load_Settings();
        store.values.LoadPath = std::string("/home/u/a") + brk + "[Format]" + brk + "DialType=9";
        store.values.SavePath = "/home/u/saved/";
        const auto e = store.Save_RecordingSettings();
        ASSERT_TRUE(e);
        EXPECT_NE(e->description.find("LoadPath holds a line break"), std::string::npos)
            << e->description;
        const std::string text = test::readText(store.SettingsFilePath);
        EXPECT_EQ(text.find("[Format]"), std::string::npos) << text;
        EXPECT_NE(text.find("LoadPath=/old/\n"), std::string::npos) << text;
        EXPECT_NE(text.find("SavePath=/home/u/saved/\n"), std::string::npos) << text;
    }
}

TEST_F(UnwritableSettingsTest, AReadOnlyFileIsAFailingWriteAndStaysAsItWas) {
    test::writeText(path, "[Colors]\nDial_Color=5\n[Other]\nkeep=me\n");
    ::chmod(path.c_str(), 0444);
    const auto e = loadChangeSave();
    ASSERT_TRUE(e);
    EXPECT_EQ(couldNotSaveSettingsText(*e),
              "The settings file could not be saved for the following reason(s): \n" + path +
                  " is read-only");
    EXPECT_EQ(test::readText(path), "[Colors]\nDial_Color=5\n[Other]\nkeep=me\n");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_TRUE(store.Save_RecordingSettings());
}

TEST_F(UnwritableSettingsTest, AFifoOrALoopOfLinksIsNeverReplaced) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    EXPECT_TRUE(loadChangeSave()); // and no hang reading it
    EXPECT_TRUE(std::filesystem::is_fifo(path));
    std::filesystem::remove(path);
    std::filesystem::create_symlink("kv_Player.ini", path);
    EXPECT_TRUE(loadChangeSave());
    EXPECT_TRUE(std::filesystem::is_symlink(path));
}

TEST_F(UnwritableSettingsTest, ALinkIsWrittenThroughToItsFile) {
    std::filesystem::create_directory(dir.file("real"));
    test::writeText(dir.file("real/kv.ini"), "[Other]\nkeep=me\n");
    std::filesystem::create_symlink("real/kv.ini", path);
    ASSERT_FALSE(loadChangeSave());
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    const std::string text = test::readText(dir.file("real/kv.ini"));
    EXPECT_EQ(text.rfind("[Other]\nkeep=me\n", 0), 0u);
    EXPECT_NE(text.find("Dial_Color=123"), std::string::npos);
}

TEST_F(UnwritableSettingsTest, AFileThatCouldNotBeReadIsNotWrittenBack) {
    const std::string before = "[Colors]\nDial_Color=5\n[Mine]\na=1\nb=2\n";
    test::writeText(path, before);
    ::chmod(path.c_str(), 0200); // writable, not readable
    if (::geteuid() != 0) {
        EXPECT_TRUE(loadChangeSave());
    } else {
        // The superuser reads everything: try it as an unprivileged user.
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) GTEST_SKIP() << "no unprivileged user to read the file as";
        ::chmod(dir.path().c_str(), 0777);
        ::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0) ::_exit(2);
            ::_exit(loadChangeSave() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not report the failure";
    }
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(test::readText(path), before);
}

TEST_F(SettingsTest, PlayerPreferencesLiveInTheirOwnSectionAndClampToTheirRange) {
    // A file without [Player] gives the defaults.
    const std::string described = "[Format]\r\nDialType=2\r\n";
    test::writeText(store.SettingsFilePath, described);
    PlayerPreferences p = loadPlayerPreferences(store.SettingsFilePath);
    EXPECT_FALSE(p.ShowOverview);
    EXPECT_EQ(p.SpeedPercent, 100);
    EXPECT_EQ(p.VolumePercent, 100);

    // Writing one adds the section at the end; the described lines stay byte for byte.
    ASSERT_FALSE(savePlayerPreference(store.SettingsFilePath, "SpeedPercent", "150"));
    ASSERT_FALSE(savePlayerPreference(store.SettingsFilePath, "ShowOverview", "True"));
    const std::string text = test::readText(store.SettingsFilePath);
    EXPECT_EQ(text.rfind(described, 0), 0u);
    EXPECT_NE(text.find("[Player]\r\nSpeedPercent=150\r\nShowOverview=True\r\n"),
              std::string::npos);
    p = loadPlayerPreferences(store.SettingsFilePath);
    EXPECT_EQ(p.SpeedPercent, 150);
    EXPECT_TRUE(p.ShowOverview);
    store.Load_Settings();
    EXPECT_EQ(store.values.DialType, 2);

    // Values out of range or not offered fall back or are clamped.
    test::writeText(store.SettingsFilePath, "[Player]\nSpeedPercent=130\nSyncOffsetMs=-9000\n"
                                            "VolumePercent=75\nMute=yes\n");
    p = loadPlayerPreferences(store.SettingsFilePath);
    EXPECT_EQ(p.SpeedPercent, 100);
    EXPECT_EQ(p.SyncOffsetMs, -500);
    EXPECT_EQ(p.VolumePercent, 70);
    EXPECT_FALSE(p.Mute);
}

} // namespace
} // namespace kv
