#include "PlayerProcess.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kv::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path buildBin() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

} // namespace

PlayerProcess::PlayerProcess(const std::string& folder, const std::string& file)
    : m_folder(folder) {
    const fs::path bin = buildBin();
    fs::copy_file(bin / "kv_player", fs::path(folder) / "kv_player",
                  fs::copy_options::overwrite_existing);
    std::error_code ec;
    fs::create_symlink(bin / "dummy.mp3", fs::path(folder) / "dummy.mp3", ec);
    const std::string exe = (fs::path(folder) / "kv_player").string();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("KV_AUDIO", "silent", 1);
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        if (file.empty())
            ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        else
            ::execl(exe.c_str(), exe.c_str(), file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

PlayerProcess::~PlayerProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool PlayerProcess::waitForWindow(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (fs::exists(fs::path(m_folder) / "kv_Player.cfg")) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

int PlayerProcess::signalAndWait(int sig, int timeoutMs, double* elapsedMs) {
    if (m_pid <= 0) return -1;
    const auto start = Clock::now();
    ::kill(m_pid, sig);
    while (Clock::now() - start < std::chrono::milliseconds(timeoutMs)) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            if (elapsedMs)
                *elapsedMs =
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}

} // namespace kv::test
