// kvtool on a 10-hour recording (1.8 million records): the CPU time of info,
// export and recompute, output to /dev/null, three runs each (min/median/max).
#include "DemoData.h"
#include "KvdFile.h"
#include "ToolRun.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// CPU seconds (user + system) of one run of kvtool with these arguments, -1 when it failed.
double cpuOfRun(const std::string& tool, const std::vector<std::string>& args) {
    const bench::ToolRun r = bench::runTool(tool, args);
    return r.exit == 0 ? r.cpu : -1;
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
