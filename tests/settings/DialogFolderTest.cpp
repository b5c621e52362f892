// Where file dialogs open: the recording's folder, the last one, the
// fallbacks, the home folder; never a relative or missing folder.
#include "DialogFolder.h"
#include "TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <filesystem>

namespace kv {
namespace {

TEST(DialogFolderTest, FirstExistingAbsoluteFolderElseHome) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("rec"));
    std::filesystem::create_directory(dir.file("last"));
    std::filesystem::create_directory(dir.file("demo"));
    const std::string home = QDir::homePath().toStdString();
    struct Case {
        std::string base, last;
        std::vector<std::string> fallbacks;
        std::string expected;
    };
    const Case cases[] = {
        {dir.file("rec/walk001"), dir.file("last"), {dir.file("demo")}, dir.file("rec")},
        {"Buffer", dir.file("last"), {dir.file("demo")}, dir.file("last")}, // a cut in memory
        {"", dir.file("last/"), {}, dir.file("last/")},
        {dir.file("gone/walk001"), dir.file("gone2"), {dir.file("demo")}, dir.file("demo")},
        {"walk001", "last", {"demo", ""}, home}, // relative names: the working folder, never
        {"", "", {}, home},
        {"", dir.file("rec/walk001"), {}, home}, // not a folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base + " | " + c.last);
        EXPECT_EQ(dialogFolder(c.base, c.last, c.fallbacks), c.expected);
    }
}

} // namespace
} // namespace kv
