// kv_player's own command line.
#include "PlayerCommandLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kv {
namespace {

struct PlayerRun {
    PlayerArgs args;
    std::string out, err;
};

PlayerRun player(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const PlayerArgs a = parsePlayerArgs(args, out, err);
    return {a, out.str(), err.str()};
}

TEST(PlayerCommandLine, HelpAndVersionPrintAndStop) {
    for (const char* flag : {"--help", "-h"}) {
        const PlayerRun r = player({"walk.kvd", flag});
        EXPECT_EQ(r.args.exitCode, 0);
        EXPECT_EQ(r.out.rfind("usage: kv_player [FILE.kvd]\n", 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
    }
    const PlayerRun v = player({"--version"});
    EXPECT_EQ(v.args.exitCode, 0);
    EXPECT_EQ(v.out, std::string("kv_player ") + KV_VERSION + "\n");
    std::ostringstream out;
    EXPECT_EQ(answerHelpOrVersion({"--", "--help"}, out), std::nullopt); // a file so named
    EXPECT_EQ(answerHelpOrVersion({"a.kvd"}, out), std::nullopt);
    EXPECT_EQ(out.str(), "");
}

TEST(PlayerCommandLine, TakesOneFileAndNamesAnUnknownOption) {
    const PlayerRun none = player({});
    EXPECT_EQ(none.args.exitCode, std::nullopt);
    EXPECT_EQ(none.args.file, "");
    const PlayerRun one = player({"walk001.kvd"});
    EXPECT_EQ(one.args.exitCode, std::nullopt);
    EXPECT_EQ(one.args.file, "walk001.kvd");
    EXPECT_EQ(player({"--", "-odd.kvd"}).args.file, "-odd.kvd");

    const PlayerRun bogus = player({"--bogus", "walk001.kvd"});
    EXPECT_EQ(bogus.args.exitCode, 1);
    EXPECT_EQ(bogus.err, "kv_player: unknown option --bogus\nTry 'kv_player --help'.\n");
    const PlayerRun two = player({"a.kvd", "b.kvd"});
    EXPECT_EQ(two.args.exitCode, 1);
    EXPECT_NE(two.err.find("at most one FILE.kvd"), std::string::npos);
}

TEST(PlayerCommandLine, SnapshotTakesAPictureNameAndNeedsAFile) {
    struct Case {
        std::vector<std::string> args;
        std::optional<int> exit;
        std::string snapshot, file, errPart;
    };
    const Case cases[] = {
        {{"--snapshot", "out.png", "demo.kvd"}, std::nullopt, "out.png", "demo.kvd", ""},
        {{"demo.kvd", "--snapshot=out.png"}, std::nullopt, "out.png", "demo.kvd", ""},
        {{"--snapshot", "out.png"}, 1, "out.png", "", "needs a FILE.kvd"},
        {{"demo.kvd", "--snapshot"}, 1, "", "", "needs the name of a PNG file"},
        {{"--", "--snapshot", "x.png"}, 1, "", "", "at most one FILE.kvd"}, // files so named
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        const PlayerRun r = player(c.args);
        EXPECT_EQ(r.args.exitCode, c.exit);
        EXPECT_EQ(r.args.snapshot, c.snapshot);
        if (!c.exit) {
            EXPECT_EQ(r.args.file, c.file);
        }
        if (c.errPart.empty()) {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
        }
        EXPECT_EQ(wantsSnapshot(c.args), c.args.front() != "--");
    }
}

} // namespace
} // namespace kv
