// One run of a command-line tool for the benchmarks: its wall time, the CPU
// time (user + system) it used and its exit code; its output goes nowhere.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace bench {

struct ToolRun {
    double wall = 0, cpu = 0;
    int exit = -1; // -1: it did not exit normally
};

inline ToolRun runTool(const std::string& tool, const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(tool.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage use{};
    ::wait4(pid, &status, 0, &use);
    ToolRun r;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpu = static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
            static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace bench
