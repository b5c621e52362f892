#include "FileFunctions.h"
#include "AppPaths.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

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

} // namespace
} // namespace kv
