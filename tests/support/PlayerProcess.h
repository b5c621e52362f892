// PlayerProcess: the real kv_player program started in a folder of its own
// (a portable copy: its files are written there), offscreen and silent.
#pragma once

#include <sys/types.h>

#include <string>

namespace kv::test {

class PlayerProcess {
public:
    // Copies kv_player from beside this test program into folder and starts it.
    PlayerProcess(const std::string& folder, const std::string& file = "");
    ~PlayerProcess();
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;

    // Waits until the window is up (its session file is written at start-up).
    bool waitForWindow(int timeoutMs);
    // Sends a signal; waits for the program to end. The exit status, or -1
    // when it was still running after timeoutMs (it is then killed).
    int signalAndWait(int sig, int timeoutMs, double* elapsedMs = nullptr);

private:
    std::string m_folder;
    pid_t m_pid = -1;
};

} // namespace kv::test
