#include "SessionConfig.h"
#include "FileCallLog.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace kv {
namespace {

using test::TempDir;

TEST(SessionConfig, FirstStartTakesDefaults) {
    TempDir dir;
    SessionConfig c;
    EXPECT_FALSE(c.Read_Config(dir.path(), 1920));
    EXPECT_EQ(c.SettingsFilePath, dir.file("kv_Player.ini"));
    EXPECT_EQ(c.AutoSaveMode, 2);
    EXPECT_EQ(c.KnobIndex, 8);
    EXPECT_EQ(c.MainLeft, 480);
    EXPECT_EQ(c.MainWidth, 960);
    EXPECT_EQ(c.MainWindowState, 0);
}

TEST(SessionConfig, AByteOrderMarkIsNotPartOfThePathAndReadOnlyFilesStay) {
    TempDir dir;
    test::writeText(dir.file("kv_Player.cfg"),
                    "\xEF\xBB\xBF\"/home/u/kv.ini\"\r\n2\r\n0\r\n8\r\n10\r\n20\r\n800\r\n0\r\n");
    SessionConfig c;
    ASSERT_TRUE(c.Read_Config(dir.path(), 1920));
    EXPECT_EQ(c.SettingsFilePath, "/home/u/kv.ini");
    ASSERT_TRUE(c.Write_Config(dir.path(), WindowPlacement{10, 20, 800, 0}));
    EXPECT_EQ(test::readText(dir.file("kv_Player.cfg")).rfind("\"/home/u/kv.ini\"\r\n", 0), 0u);

    ::chmod(dir.file("kv_Player.cfg").c_str(), 0444);
    c.KnobIndex = 30;
    EXPECT_FALSE(c.Write_Config(dir.path(), WindowPlacement{10, 20, 800, 0}));
    EXPECT_NE(test::readText(dir.file("kv_Player.cfg")).find("\r\n8\r\n"), std::string::npos);
}

TEST(SessionConfig, AConfigurationThatIsNoPlainFileIsNeitherReadNorReplaced) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("kv_Player.cfg").c_str(), 0644), 0);
    SessionConfig c;
    EXPECT_FALSE(c.Read_Config(dir.path(), 1920)); // and does not wait for a writer
    EXPECT_EQ(c.KnobIndex, 8);
    EXPECT_FALSE(c.Write_Config(dir.path(), WindowPlacement{1, 2, 800, 0}));
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("kv_Player.cfg")));
}

TEST(SessionConfig, WritesTheExactLinesAndReadsThemBack) {
    TempDir dir;
    SessionConfig c;
    c.SettingsFilePath = "/home/u/my, settings.ini";
    c.AutoSaveMode = 1;
    c.KnobIndex = 23;
    ASSERT_TRUE(c.Write_Config(dir.path(), WindowPlacement{3840, -12.5, 7680, 2}));
    EXPECT_EQ(test::readText(dir.file("kv_Player.cfg")),
              "\"/home/u/my, settings.ini\"\r\n1\r\n0\r\n23\r\n3840\r\n-12.5\r\n7680\r\n2\r\n");

    SessionConfig back;
    ASSERT_TRUE(back.Read_Config(dir.path(), 1000));
    EXPECT_EQ(back.SettingsFilePath, "/home/u/my, settings.ini");
    EXPECT_EQ(back.AutoSaveMode, 1);
    EXPECT_EQ(back.KnobIndex, 23);
    EXPECT_EQ(back.MainLeft, 3840);
    EXPECT_EQ(back.MainTop, -12); // halves to even
    EXPECT_EQ(back.MainWidth, 7680);
    EXPECT_EQ(back.MainWindowState, 2);
}

TEST(SessionConfig, TheFileIsWrittenFlushedRenamedAndItsFolderFlushed) {
    TempDir dir;
    test::writeText(dir.file("kv_Player.cfg"), "old");
    test::FileCallLog log;
    ASSERT_TRUE(SessionConfig{}.Write_Config(dir.path(), WindowPlacement{}));
    EXPECT_THAT(log.calls(),
                ::testing::ElementsAre("write ~tmp:kv_Player.cfg", "fsync ~tmp:kv_Player.cfg",
                                       "rename ~tmp:kv_Player.cfg kv_Player.cfg", "fsync dir/"));
}

TEST(SessionConfig, ADamagedFileIsWhollyReplacedByDefaults) {
    TempDir dir;
    SessionConfig c;
    test::writeText(dir.file("kv_Player.cfg"),
                    "\"/x.ini\"\r\n0\r\n0\r\n30\r\n1\r\n2\r\n3\r\n"); // seven lines
    EXPECT_FALSE(c.Read_Config(dir.path(), 800));
    EXPECT_EQ(c.SettingsFilePath, dir.file("kv_Player.ini"));
    EXPECT_EQ(c.AutoSaveMode, 2);
    EXPECT_EQ(c.KnobIndex, 8);

    test::writeText(dir.file("kv_Player.cfg"),
                    "\"/x.ini\"\r\n0\r\n0\r\n30\r\n40000\r\n2\r\n3\r\n0\r\n");
    EXPECT_FALSE(c.Read_Config(dir.path(), 800));
    EXPECT_EQ(c.KnobIndex, 8);

    test::writeText(dir.file("kv_Player.cfg"), std::string("\0\xff\xfe garbage", 12));
    EXPECT_FALSE(c.Read_Config(dir.path(), 800));
}

TEST(SessionConfig, WriteFailureIsReported) {
    TempDir dir;
    SessionConfig c;
    EXPECT_FALSE(c.Write_Config(dir.file("missing/folder"), WindowPlacement{}));
}

TEST(SessionConfig, NumbersUseTheFilesForm) {
    EXPECT_EQ(formatConfigNumber(0), "0");
    EXPECT_EQ(formatConfigNumber(-0.0), "0");
    EXPECT_EQ(formatConfigNumber(1234), "1234");
    EXPECT_EQ(formatConfigNumber(0.25), "0.25");
    EXPECT_EQ(formatConfigNumber(-3.125), "-3.125");
}

} // namespace
} // namespace kv
