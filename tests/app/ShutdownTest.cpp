#include "PlayerProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace kv {
namespace {

// A logout, a system shutdown or `kill` ends the real program: it writes the
// session and the recording section, as the "No" answer of the exit prompt
// does, and leaves the user's other settings alone.
TEST(Shutdown, TermInterruptAndHangupEndThePlayerCleanly) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        test::TempDir dir;
        test::writeText(dir.file("kv_Player.ini"), "; mine\n[Colors]\nDial_Color=5\n");
        test::PlayerProcess player(dir.path());
        ASSERT_TRUE(player.waitForWindow(20000));
        // Generous: this checks that it ends, not how fast (see bench_shutdown).
        EXPECT_EQ(player.signalAndWait(sig, 10000), 0);
        const std::string ini = test::readText(dir.file("kv_Player.ini"));
        EXPECT_EQ(ini.rfind("; mine\n[Colors]\nDial_Color=5\n[Recording]\n", 0), 0u) << ini;
        EXPECT_NE(test::readText(dir.file("kv_Player.cfg")).find("kv_Player.ini"),
                  std::string::npos);
    }
}

} // namespace
} // namespace kv
