// kvtool on a 10-hour recording (1.8 million records): the CPU time of info,
// export and recompute, output to /dev/null, three runs each (min/median/max).
// Then export and recompute to a file against their floor, measured in the
// same run: copying that output file with cp and syncing the copy. The two
// are timed in turn (tool, floor, tool, floor ...), and the ratio of each
// pair's wall times is given as the median and range over the pairs.
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

// The wall time of copying `file` with cp and syncing the copy; -1 when either failed.
double copyAndSync(const std::string& file, const std::string& copy) {
    fs::remove(copy);
    const bench::ToolRun cp = bench::runTool("/bin/cp", {file, copy});
    const bench::ToolRun sync = bench::runTool("/bin/sync", {copy});
    return cp.exit == 0 && sync.exit == 0 ? cp.wall + sync.wall : -1;
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
    const std::string out = (dir / "out.csv").string(), copy = (dir / "copy.csv").string();
    constexpr int kPairs = 5;
    for (const char* command : {"info", "export", "recompute"}) {
        std::vector<double> cpu;
        for (int run = 0; run < 3; ++run)
            cpu.push_back(cpuOfRun(tool, {command, file}));
        std::sort(cpu.begin(), cpu.end());
        std::printf("kvtool %s 10 h: cpu_s_min=%.3f cpu_s_median=%.3f cpu_s_max=%.3f", command,
                    cpu[0], cpu[1], cpu[2]);
        if (std::string(command) != "info") {
            std::vector<double> ratios, tool_s, floor_s;
            for (int pair = 0; pair < kPairs; ++pair) {
                fs::remove(out);
                const bench::ToolRun a = bench::runTool(tool, {command, file, "-o", out});
                const double b = copyAndSync(out, copy);
                if (a.exit != 0 || b <= 0) {
                    std::printf(" failed\n");
                    return 1;
                }
                ratios.push_back(a.wall / b);
                tool_s.push_back(a.wall);
                floor_s.push_back(b);
            }
            std::sort(ratios.begin(), ratios.end());
            std::sort(tool_s.begin(), tool_s.end());
            std::sort(floor_s.begin(), floor_s.end());
            std::printf(" ratio_cp_sync=%.2f ratio_cp_sync_min=%.2f ratio_cp_sync_max=%.2f "
                        "wall_s_median=%.3f cp_sync_s_median=%.3f output_mb=%.1f pairs=%d",
                        ratios[kPairs / 2], ratios.front(), ratios.back(), tool_s[kPairs / 2],
                        floor_s[kPairs / 2], static_cast<double>(fs::file_size(out)) / 1e6, kPairs);
        }
        std::printf("\n");
    }
    fs::remove_all(dir);
    return 0;
}
