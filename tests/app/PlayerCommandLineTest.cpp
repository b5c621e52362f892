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

} // namespace
} // namespace kv
