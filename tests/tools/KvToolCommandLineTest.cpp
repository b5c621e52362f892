// kvtool's command line: help, version, and options each command does not know.
#include "CommandLine.h"
#include "KvTool.h"
#include "KvdFile.h"
#include "TempDir.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace kv {
namespace {

using test::TempDir;

using test::kvtool;
using test::ToolRun;

const char* const kCommands[] = {"info", "export", "channel", "cut", "recompute", "render"};

TEST(KvToolCommandLine, HelpAndVersionGoToStandardOutput) {
    for (const char* flag : {"--help", "-h"}) {
        const ToolRun r = kvtool({flag});
        EXPECT_EQ(r.code, 0) << flag;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("usage: kvtool COMMAND", 0), 0u) << r.out;
        for (const char* command : kCommands)
            EXPECT_NE(r.out.find(std::string("\n  ") + command + " "), std::string::npos)
                << command << " missing from the overview";
    }
    const ToolRun v = kvtool({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out, std::string("kvtool ") + KV_VERSION + "\n");
    EXPECT_EQ(v.err, "");
}

TEST(KvToolCommandLine, EveryCommandPrintsItsOwnUsage) {
    for (const char* command : kCommands) {
        const std::string usage = std::string("usage: kvtool ") + command;
        for (const auto& args : {std::vector<std::string>{command, "--help"},
                                 std::vector<std::string>{command, "x.kvd", "-h"}}) {
            const ToolRun r = kvtool(args);
            EXPECT_EQ(r.code, 0) << command;
            EXPECT_EQ(r.err, "") << command;
            EXPECT_EQ(r.out.rfind(usage, 0), 0u) << r.out;
        }
    }
    // After "--" it is a file name, not a request for help.
    EXPECT_EQ(kvtool({"info", "--", "--help"}).code, 1);
}

TEST(KvToolCommandLine, UnknownOptionsAreErrorsThatNameThem) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), test::plainRecords(60)));
    const std::string kvd = dir.file("a.kvd"), csv = dir.file("out.csv");
    const std::vector<std::vector<std::string>> runs = {
        {"info", kvd, "--bogus"},
        {"export", kvd, "--bogus", "-o", csv},
        {"channel", "--bogus"},
        {"recompute", kvd, "--bogus", "1", "-o", csv}, // was silently ignored
        {"recompute", "--bogus", "1", kvd, "-o", csv},
        {"render", kvd, "--record", "5", "--bogus", "-o", dir.file("out.png")},
        {"cut", kvd, "--bogus", "--from", "0", "--to", "1", "-o", dir.file("out.kvd")},
    };
    for (const auto& args : runs) {
        const ToolRun r = kvtool(args);
        EXPECT_EQ(r.code, 1) << args[0] << " " << args[2];
        EXPECT_EQ(r.err.rfind("kvtool " + args[0] + ": unknown option '--bogus'\n", 0), 0u)
            << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(csv)); // nothing written after a bad command line
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.kvd")));
    const ToolRun hint = kvtool({"info", kvd, "--bogus"});
    EXPECT_EQ(hint.err, "kvtool info: unknown option '--bogus'\nTry 'kvtool info --help'.\n");
}

TEST(KvToolCommandLine, FilesAndValuesAreCounted) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), test::plainRecords(60)));
    ASSERT_FALSE(writeKvdFile(dir.file("-a.kvd"), test::plainRecords(60)));
    const ToolRun two = kvtool({"info", dir.file("a.kvd"), dir.file("a.kvd")});
    EXPECT_EQ(two.code, 1);
    EXPECT_NE(two.err.find("give only one FILE.kvd"), std::string::npos) << two.err;
    EXPECT_NE(kvtool({"export"}).err.find("give one FILE.kvd"), std::string::npos);
    const ToolRun noValue = kvtool({"export", dir.file("a.kvd"), "-o"});
    EXPECT_EQ(noValue.code, 1);
    EXPECT_NE(noValue.err.find("missing value for -o"), std::string::npos) << noValue.err;
    const ToolRun unknown = kvtool({"frobnicate", "--help"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);

    // A file whose name starts with a dash, after "--".
    const auto was = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const ToolRun dashed = kvtool({"info", "--", "-a.kvd"});
    std::filesystem::current_path(was);
    EXPECT_EQ(dashed.code, 0) << dashed.err;
    EXPECT_EQ(dashed.out.rfind("records: 60\n", 0), 0u);
}

TEST(CommandLine, ParsesOptionsFlagsAndFiles) {
    const CommandOptions accepted{{"-o", "--knob", "--at"}, {"--graph"}};
    ParsedArgs p =
        ParsedArgs::parse({"a.kvd", "--graph", "-o", "-", "--knob", "-3", "--", "-b"}, accepted);
    ASSERT_TRUE(p.ok()) << p.error();
    EXPECT_EQ(p.positional(), (std::vector<std::string>{"a.kvd", "-b"}));
    EXPECT_TRUE(p.has("--graph"));
    EXPECT_EQ(p.value("-o"), "-");
    EXPECT_FALSE(p.has("--at"));
    EXPECT_EQ(p.number("--knob", -5, 5), -3);
    EXPECT_EQ(p.number("--knob", 0, 63), std::nullopt);
    EXPECT_EQ(p.error(), "--knob must be a whole number from 0 to 63");
    p.fail("a later problem");
    EXPECT_EQ(p.error(), "--knob must be a whole number from 0 to 63"); // the first one is kept

    for (const char* bad : {"", "1.5x", "-1", "nan", "inf"}) {
        ParsedArgs s = ParsedArgs::parse({"--at", bad}, accepted);
        EXPECT_EQ(s.seconds("--at"), std::nullopt) << bad;
        EXPECT_EQ(s.error(),
                  "--at must be a number of seconds (0 or more), not '" + std::string(bad) + "'");
    }
    ParsedArgs s = ParsedArgs::parse({"--at", "2.5"}, accepted);
    EXPECT_EQ(s.seconds("--at"), 2.5);
    EXPECT_EQ(
        ParsedArgs::parse({"--knob", "99999999999999999999"}, accepted).number("--knob", 0, 63),
        std::nullopt);
    EXPECT_EQ(ParsedArgs::parse({"--graph=1"}, accepted).error(), "unknown option '--graph=1'");
}

} // namespace
} // namespace kv
