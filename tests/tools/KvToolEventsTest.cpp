#include "KvTool.h"
#include "KvdFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace kv {
namespace {

using test::TempDir;

struct ToolRun {
    int code;
    std::string out, err;
};

ToolRun kvtool(std::vector<std::string> args) {
    std::istringstream in;
    std::ostringstream out, err;
    const int code = runKvTool(args, in, out, err);
    return {code, out.str(), err.str()};
}

// Ten seconds at knob 8 with a clock at 23:59:58, a tag, a SET, a body
// motion, a Base change and a reaction.
std::vector<SampleRecord> eventful() {
    auto rs = test::plainRecords(500);
    for (std::size_t i = 0; i < rs.size(); ++i) {
        rs[i].RawReading = 30000;
        rs[i].SensIndex = 8;
        rs[i].BaseCode = 100;
    }
    rs[0].MarkType = 'C';
    rs[0].MarkData = {0, 0x01, 0x51, 0x7E}; // 86398 s
    rs[99].MarkType = 'T';
    rs[99].MarkData = {0x40, 0x9C, 0, 0}; // 40000
    rs[150].StatusFlags = 1;
    rs[151].StatusFlags = 1;
    for (std::size_t i = 300; i < 310; ++i)
        rs[i].StatusFlags = 2;
    for (std::size_t i = 400; i < 500; ++i)
        rs[i].BaseCode = 110;
    for (std::size_t i = 201; i < 280; ++i)
        rs[i].RawReading =
            static_cast<std::uint16_t>(30000 - 25 * std::min<std::size_t>(i - 200, 30));
    return rs;
}

TEST(KvToolEvents, ListsEveryKindWithTheTimeOfDay) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("e.kvd"), eventful()));
    const ToolRun r = kvtool({"events", dir.file("e.kvd")});
    ASSERT_EQ(r.code, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 6u) << r.out;
    EXPECT_EQ(rows[0], "record,time_ms,clock,kind,value,text,review");
    EXPECT_EQ(rows[1], "100,1980,23:59:59,tag,40000,tag 40000,");
    EXPECT_EQ(rows[2], "151,3000,00:00:01,set,20,SET,");
    EXPECT_EQ(rows[3].substr(0, 19), "201,4000,00:00:02,r"); // onset of the fall
    EXPECT_NE(rows[3].find(",reaction,750,fall 3.0 div in 0.6"), std::string::npos) << rows[3];
    EXPECT_EQ(rows[4], "301,6000,00:00:04,motion,180,body motion 0.2 s,");
    EXPECT_EQ(rows[5], "401,8000,00:00:06,base,315,Base 3.15 (+0.25),");
}

TEST(KvToolEvents, KindsFilterAndWithoutClock) {
    TempDir dir;
    auto rs = eventful();
    rs[0].MarkType = 0;
    ASSERT_FALSE(writeKvdFile(dir.file("e.kvd"), rs));
    const ToolRun r = kvtool({"events", dir.file("e.kvd"), "--kinds", "base,tag"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "record,time_ms,clock,kind,value,text,review\n"
                     "100,1980,,tag,40000,tag 40000,\n"
                     "401,8000,,base,315,Base 3.15 (+0.25),\n");
    // A larger minimum fall, or a shorter window, leaves the reaction out.
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"--min-fall", "3.5"}, {"--window", "0.1"}}) {
        std::vector<std::string> args{"events", dir.file("e.kvd"), "--kinds", "reaction"};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(kvtool(args).out, "record,time_ms,clock,kind,value,text,review\n") << extra[0];
    }
    EXPECT_NE(kvtool({"events", dir.file("e.kvd"), "--kinds", "reaction", "--min-fall", "2.5"})
                  .out.find(",reaction,"),
              std::string::npos);
}

TEST(KvToolEvents, WritesTheFileWholeAndRefusesAFolder) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("e.kvd"), eventful()));
    const ToolRun r = kvtool({"events", dir.file("e.kvd"), "-o", dir.file("e.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(test::readText(dir.file("e.csv")), kvtool({"events", dir.file("e.kvd")}).out);
    std::filesystem::create_directory(dir.file("folder.csv"));
    const ToolRun bad = kvtool({"events", dir.file("e.kvd"), "-o", dir.file("folder.csv")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("cannot write"), std::string::npos) << bad.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.csv")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(KvToolEvents, OptionErrorsAndBadFiles) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("e.kvd"), eventful()));
    const std::string file = dir.file("e.kvd");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    for (const Case& c : {
             Case{{"--kinds", "tag,reactions"}, "unknown kind 'reactions' in --kinds"},
             Case{{"--kinds", ""}, "unknown kind '' in --kinds"},
             Case{{"--min-fall", "0"}, "--min-fall must be a number of dial divisions above 0"},
             Case{{"--min-fall", "1x"}, "--min-fall must be"},
             Case{{"--min-fall", "1e308"},
                  "--min-fall must be a number of dial divisions above 0, "
                  "at most 1000000"},
             Case{{"--window", "-2"}, "--window must be a number of seconds above 0"},
             Case{{"--window"}, "missing value for --window"},
             Case{{"--bogus"}, "unknown option '--bogus'"},
         }) {
        std::vector<std::string> args{"events", file};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun r = kvtool(args);
        EXPECT_EQ(r.code, 1) << c.message;
        EXPECT_EQ(r.err.rfind(std::string("kvtool events: ") + c.message, 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(kvtool({"events"}).code, 1);
    EXPECT_EQ(kvtool({"events", dir.file("missing.kvd")}).code, 1);
    auto bad = test::plainRecords(6);
    bad[2].RecordType = 'X';
    ASSERT_FALSE(writeKvdFile(dir.file("bad.kvd"), bad));
    EXPECT_EQ(kvtool({"events", dir.file("bad.kvd")}).code, 2);
    const ToolRun help = kvtool({"events", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("usage: kvtool events FILE.kvd", 0), 0u);
    EXPECT_NE(kvtool({"--help"}).out.find("  events "), std::string::npos);
}

} // namespace
} // namespace kv
