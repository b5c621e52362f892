// kvtool on a 10-hour recording (1.8 million records): the CPU time of info,
// export and recompute, output to /dev/null, three runs each (min/median/max).
#include "DemoData.h"
#include "KvdFile.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// CPU seconds (user + system) of one run of kvtool with these arguments.
double cpuOfRun(const std::string& tool, const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
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
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main() {
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    const std::string tool = (bin / "kvtool").string();
    const fs::path dir = fs::temp_directory_path() / "kv_bench_kvtool";
    fs::create_directories(dir);
    const std::string file = (dir / "ten.kvd").string();
    kv::DemoOptions o;
    o.records = 10 * 3600 * 50 + 1;
    if (kv::writeKvdFile(file, kv::makeDemoRecords(o))) return 1;
    for (const char* command : {"info", "export", "recompute"}) {
        std::vector<double> cpu;
        for (int run = 0; run < 3; ++run)
            cpu.push_back(cpuOfRun(tool, {command, file}));
        std::sort(cpu.begin(), cpu.end());
        std::printf("kvtool %s 10 h: cpu_s_min=%.3f cpu_s_median=%.3f cpu_s_max=%.3f\n", command,
                    cpu[0], cpu[1], cpu[2]);
    }
    fs::remove_all(dir);
    return 0;
}
