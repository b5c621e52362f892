// How long the real player takes to end once asked to: SIGTERM runs the same
// shutdown as closing the window (session and recording section written,
// audio closed), then the process must be gone. Prints min/median/max.
#include "PlayerProcess.h"
#include "TempDir.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

int main() {
    std::vector<double> ms;
    for (int run = 0; run < 5; ++run) {
        kv::test::TempDir dir;
        kv::test::PlayerProcess player(dir.path());
        if (!player.waitForWindow(20000)) {
            std::printf("shutdown: the window did not come up\n");
            return 1;
        }
        double elapsed = 0;
        if (player.signalAndWait(SIGTERM, 10000, &elapsed) != 0) {
            std::printf("shutdown: the player did not end cleanly\n");
            return 1;
        }
        ms.push_back(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("shutdown: runs=%zu exit_ms_min=%.0f exit_ms_median=%.0f exit_ms_max=%.0f\n",
                ms.size(), ms.front(), ms[ms.size() / 2], ms.back());
    return 0;
}
