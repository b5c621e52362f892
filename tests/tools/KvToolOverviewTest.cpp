#include "DemoData.h"
#include "KvTool.h"
#include "KvdFile.h"
#include "TempDir.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

namespace kv {
namespace {

using test::TempDir;

int kvtool(std::vector<std::string> args, std::string* err = nullptr) {
    std::istringstream in;
    std::ostringstream out, e;
    const int code = runKvTool(args, in, out, e);
    if (err) *err = e.str();
    return code;
}

TEST(KvToolOverview, DrawsTheStripAtTheChosenWidth) {
    TempDir dir;
    DemoOptions o;
    o.records = 3000;
    ASSERT_FALSE(writeKvdFile(dir.file("d.kvd"), makeDemoRecords(o)));
    std::string err;
    ASSERT_EQ(kvtool({"render", dir.file("d.kvd"), "--overview", "-o", dir.file("all.png")}, &err), 0)
        << err;
    const QImage all(QString::fromStdString(dir.file("all.png")));
    EXPECT_EQ(all.size(), QSize(1000, 200));
    ASSERT_EQ(kvtool({"render", dir.file("d.kvd"), "--overview", "--width", "640", "--from", "10",
                      "--to", "20", "-o", dir.file("part.png")},
                     &err),
              0)
        << err;
    const QImage part(QString::fromStdString(dir.file("part.png")));
    EXPECT_EQ(part.size(), QSize(640, 128));
    EXPECT_NE(part, all.scaled(640, 128));
}

TEST(KvToolOverview, OptionErrors) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("d.kvd"), test::plainRecords(100)));
    const std::string f = dir.file("d.kvd"), png = dir.file("o.png");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    for (const Case& c : {
             Case{{"--overview", "--record", "3", "-o", png}, "--record does not go with --overview"},
             Case{{"--overview"}, "give -o OUT.png"},
             Case{{"--overview", "--from", "1", "--to", "0.5", "-o", png},
                  "--to must be later than --from"},
             Case{{"--overview", "--from", "50", "-o", png},
                  "--from is after the end of the recording"},
             Case{{"--overview", "--width", "100", "-o", png}, "--width must be a whole number"},
         }) {
        std::vector<std::string> args{"render", f};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string err;
        EXPECT_EQ(kvtool(args, &err), 1) << c.message;
        EXPECT_EQ(err.rfind(std::string("kvtool render: ") + c.message, 0), 0u) << err;
    }
    // A read-only target is refused and left as it was.
    test::writeText(png, "keep");
    ::chmod(png.c_str(), 0444);
    std::string err;
    EXPECT_EQ(kvtool({"render", f, "--overview", "-o", png}, &err), 1);
    EXPECT_NE(err.find("cannot write"), std::string::npos);
    EXPECT_EQ(test::readText(png), "keep");
}

} // namespace
} // namespace kv
