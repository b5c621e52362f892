// The recent list in [Player]: garbage dropped, a flood of entries ignored,
// the same file kept once, and every other key of the file left as it was.
#include "RecentList.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kv {
namespace {

using test::readText;
using test::TempDir;
using test::writeText;

TEST(RecentListTest, GarbageEntriesAreDroppedWhenRead) {
    TempDir dir;
    const std::string ini = dir.file("kv_Player.ini");
    writeText(dir.file("a.kvd"), "x");
    writeText(ini, "[Player]\n"
                   "Recent1=" + dir.file("a.kvd") + "\n"
                   "Recent2=relative/b.kvd\n"                 // not absolute
                   "Recent3=/tmp/notes.txt\n"                 // not a recording's file
                   "Recent4=\n"                               // empty
                   "Recent5=" + dir.file("a.kvd") + "\n"      // the same file again
                   "Recent6=" + dir.path() + "/./a.kvd\n"     // and again, spelt otherwise
                   "Recent7=/gone/away/c.KVD\n"               // missing: kept, shown as not found
                   "Recent8=/x/\x01y.kvd\n"                   // a control character
                   "Recent9=/far/d.kvd\n"                     // beyond the eighth: not read
                   "OpenLastAtStart=maybe\n");
    const RecentList list = loadRecentList(ini);
    EXPECT_EQ(list.paths, (std::vector<std::string>{dir.file("a.kvd"), "/gone/away/c.KVD"}));
    EXPECT_FALSE(list.openLastAtStart);
}

TEST(RecentListTest, AThousandEntriesAreIgnoredPastTheEighthAndNoKeyIsLost) {
    TempDir dir;
    const std::string ini = dir.file("kv_Player.ini");
    std::string text = "[Colors]\nBackground_Color=123\n[Player]\nSpeedPercent=150\n";
    for (int i = 1; i <= 1000; ++i)
        text += "Recent" + std::to_string(i) + "=/r/" + std::to_string(i) + ".kvd\n";
    text += "Mute=True\n[Other]\nKey=Value\n";
    writeText(ini, text);
    RecentList list = loadRecentList(ini);
    ASSERT_EQ(list.paths.size(), kRecentMax);
    EXPECT_EQ(list.paths.front(), "/r/1.kvd");

    list.paths = withRecent(list.paths, "/r/new.kvd");
    ASSERT_FALSE(saveRecentList(ini, list.paths));
    const std::string after = readText(ini);
    // Recent1..8 hold the new list; every other line is as it was.
    std::string expected = "[Colors]\nBackground_Color=123\n[Player]\nSpeedPercent=150\n";
    for (int i = 1; i <= 1000; ++i)
        expected += "Recent" + std::to_string(i) + "=" +
                    (i == 1 ? std::string("/r/new.kvd")
                     : i <= 8 ? "/r/" + std::to_string(i - 1) + ".kvd"
                              : "/r/" + std::to_string(i) + ".kvd") +
                    "\n";
    expected += "Mute=True\n[Other]\nKey=Value\n";
    EXPECT_EQ(after, expected);
    EXPECT_EQ(loadRecentList(ini).paths, list.paths);
}

TEST(RecentListTest, NewestFirstEachFileOnceAtMostEight) {
    TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back(dir.file("r" + std::to_string(i) + ".kvd"));
        writeText(files.back(), "x");
    }
    std::vector<std::string> list;
    for (const auto& f : files) list = withRecent(list, f);
    ASSERT_EQ(list.size(), kRecentMax);
    EXPECT_EQ(list.front(), files[9]);
    EXPECT_EQ(list.back(), files[2]);
    // Loaded again through a link: moves to the front, not listed twice.
    std::filesystem::create_symlink(files[5], dir.file("link.kvd"));
    list = withRecent(list, dir.file("link.kvd"));
    ASSERT_EQ(list.size(), kRecentMax);
    EXPECT_EQ(list.front(), dir.file("link.kvd"));
    EXPECT_EQ(std::count(list.begin(), list.end(), files[5]), 0);
    // Not a recording's file, or a name the settings file cannot hold: not listed.
    EXPECT_EQ(withRecent(list, dir.file("notes.txt")).front(), list.front());
    EXPECT_EQ(withRecent(list, "/" + std::string(300, 'a') + ".kvd").front(), list.front());
}

TEST(RecentListTest, AnUnreadableSettingsFileGivesAnEmptyListAndIsNotWritten) {
    TempDir dir;
    const std::string ini = dir.file("kv_Player.ini");
    std::filesystem::create_directory(ini); // not a regular file
    EXPECT_TRUE(loadRecentList(ini).paths.empty());
    EXPECT_TRUE(saveRecentList(ini, {"/r/a.kvd"}).has_value());
    EXPECT_TRUE(std::filesystem::is_directory(ini));
}

} // namespace
} // namespace kv
