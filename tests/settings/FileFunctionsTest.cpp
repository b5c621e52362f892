#include "FileFunctions.h"
#include "AppPaths.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <stdlib.h>

namespace kv {
namespace {

using test::TempDir;

TEST(FileFunctions, ExistenceFoldersAndWildcards) {
    TempDir dir;
    test::writeText(dir.file("walk007.kvd"), "x");
    EXPECT_TRUE(File_Exists(dir.file("walk007.kvd")));
    EXPECT_TRUE(File_Exists(dir.path()));
    EXPECT_TRUE(File_Exists(dir.file("walk*.kvd")));
    EXPECT_TRUE(File_Exists(dir.file("walk00?.kvd")));
    EXPECT_FALSE(File_Exists(dir.file("run*.kvd")));
    EXPECT_FALSE(File_Exists(""));
    EXPECT_FALSE(File_Exists(dir.file("none")));
    EXPECT_TRUE(Is_Folder(dir.path()));
    EXPECT_FALSE(Is_Folder(dir.file("walk007.kvd")));
    EXPECT_FALSE(Is_Folder(""));
    EXPECT_EQ(Trim_AtNull(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a", "b"), "/a/b");
}

TEST(AppPaths, PortableFolderElseTheUserFolder) {
    TempDir dir;
    EXPECT_EQ(chooseAppDirectory(dir.path(), dir.file("cfg")),
              dir.file("cfg")); // no program data beside it
    test::writeText(dir.file("dummy.mp3"), "ID3");
    EXPECT_EQ(chooseAppDirectory(dir.path(), dir.file("cfg")), dir.path());
    const std::string user = dir.file("user/config");
    EXPECT_EQ(chooseAppDirectory(dir.file("not-there"), user), user);
    EXPECT_TRUE(Is_Folder(user));
}

// The documented folder is ~/.config/kv-player. Files an earlier version kept
// in ~/.config/kv-player/kv-player move there when it has none of its own; a
// folder already in use is left as it is.
TEST(AppPaths, TheUserFolderIsTheDocumentedOneAndEarlierFilesMoveThere) {
    TempDir home;
    ASSERT_EQ(::setenv("XDG_CONFIG_HOME", home.path().c_str(), 1), 0);
    const std::string user = userConfigDirectory();
    const std::string earlier = earlierUserConfigDirectory();
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(user, home.file("kv-player"));
    EXPECT_EQ(earlier, home.file("kv-player/kv-player"));

    const struct {
        const char* name;
        bool earlierCfg, earlierIni, newCfg;
        const char* expectedCfg; // what the chosen folder's kv_Player.cfg holds, "" none
    } cases[] = {
        {"earlier files move", true, true, false, "old cfg"},
        {"only the earlier ini", false, true, false, ""},
        {"the new folder is in use", true, true, true, "new cfg"},
        {"nothing anywhere", false, false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string now = dir.file("kv-player");
        const std::string before = dir.file("kv-player/kv-player");
        std::filesystem::create_directories(before);
        if (c.earlierCfg) test::writeText(before + "/kv_Player.cfg", "old cfg");
        if (c.earlierIni) test::writeText(before + "/kv_Player.ini", "old ini");
        if (c.newCfg) test::writeText(now + "/kv_Player.cfg", "new cfg");
        ASSERT_EQ(chooseAppDirectory(dir.file("no-program-here"), now, before), now);
        EXPECT_EQ(File_Exists(now + "/kv_Player.cfg"), *c.expectedCfg != '\0');
        if (*c.expectedCfg) {
            EXPECT_EQ(test::readText(now + "/kv_Player.cfg"), c.expectedCfg);
        }
        const bool moved = !c.newCfg && (c.earlierCfg || c.earlierIni);
        if (c.earlierIni) {
            EXPECT_EQ(test::readText((moved ? now : before) + "/kv_Player.ini"), "old ini");
        }
        if (moved) {
            EXPECT_FALSE(File_Exists(before + "/kv_Player.cfg"));
            EXPECT_FALSE(File_Exists(before + "/kv_Player.ini"));
        }
    }
}

} // namespace
} // namespace kv
