#include "SessionConfig.h"
#include "FileCallLog.h"
#include "Settings.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(SessionConfig, AFileLargerThanAnySessionFileIsNeitherReadNorReplaced) {
    TempDir dir;
    const std::string file = dir.file("kv_Player.cfg");
    // A gigabyte of zeros that takes no room on the disk.
    test::writeText(file, "");
    std::filesystem::resize_file(file, std::uintmax_t{1} << 30);
    SessionConfig c;
    EXPECT_FALSE(c.Read_Config(dir.path(), 1920));
    EXPECT_EQ(c.KnobIndex, 8);
    EXPECT_EQ(c.SettingsFilePath, dir.file("kv_Player.ini"));
    EXPECT_FALSE(c.Write_Config(dir.path(), WindowPlacement{1, 2, 800, 0}));
    EXPECT_EQ(std::filesystem::file_size(file), std::uintmax_t{1} << 30);
    // Shrunk to an ordinary size, it is a damaged file replaced by defaults.
    std::filesystem::resize_file(file, 100);
    EXPECT_FALSE(c.Read_Config(dir.path(), 1920));
    EXPECT_TRUE(c.Write_Config(dir.path(), WindowPlacement{1, 2, 800, 0}));
    EXPECT_LT(std::filesystem::file_size(file), 100u);
}

TEST(SessionConfig, ASettingsPathWithALineBreakIsNeverWritten) {
    TempDir dir;
    SessionConfig c;
    c.setDefaults(dir.path(), 1920);
    ASSERT_TRUE(c.Write_Config(dir.path(), WindowPlacement{1, 2, 800, 0}));
    const std::string before = test::readText(dir.file("kv_Player.cfg"));
    for (const char* path : {"/home/u/a\n1\n.ini", "/home/u/a\r.ini"}) {
        c.SettingsFilePath = path;
        EXPECT_FALSE(c.Write_Config(dir.path(), WindowPlacement{1, 2, 800, 0}));
        EXPECT_EQ(test::readText(dir.file("kv_Player.cfg")), before);
    }
}

TEST(SessionConfig, TemporariesOfAKilledSaveAreRemovedAtTheNextStart) {
    TempDir dir;
    // A process that is gone: a child that has been waited for.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = ".kvsave-" + std::to_string(gone) + "-0123abcd-";
    test::writeText(dir.file(dead + "kv_Player.cfg.tmp"), "half");
    test::writeText(dir.file(dead + "kv_Player.ini.tmp"), "half");
    // Kept: a temporary of a live process, and one of a recording's file
    // (whose journal may still need it).
    test::writeText(dir.file(".kvsave-1-0123abcd-kv_Player.cfg.tmp"), "in use");
    test::writeText(dir.file(dead + "walk001.kvd.tmp"), "a recording's");
    SessionConfig c;
    c.Read_Config(dir.path(), 1920);
    EXPECT_FALSE(std::filesystem::exists(dir.file(dead + "kv_Player.cfg.tmp")));
    EXPECT_TRUE(std::filesystem::exists(dir.file(dead + "kv_Player.ini.tmp")));
    SettingsStore store(dir.path());
    store.Load_Settings();
    EXPECT_FALSE(std::filesystem::exists(dir.file(dead + "kv_Player.ini.tmp")));
    EXPECT_TRUE(std::filesystem::exists(dir.file(".kvsave-1-0123abcd-kv_Player.cfg.tmp")));
    EXPECT_TRUE(std::filesystem::exists(dir.file(dead + "walk001.kvd.tmp")));
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
