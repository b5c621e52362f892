// kvtool trend against kvtool summary over the same 1,000 generated one-hour
// recordings (180,000 records each, with their sound), on two jobs: wall and
// CPU time of three runs each, taken in turn, and the ratio of the medians.
// Target: the trend (CSV or PDF) in at most 1.2 times the summary's time.
#include "DemoData.h"
#include "KvdFile.h"
#include "ToolRun.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Run = bench::ToolRun;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    constexpr int kRecordings = 1000, kVariants = 8;
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    const std::string tool = (bin / "kvtool").string();
    const fs::path dir = fs::temp_directory_path() / "kv_bench_trend";
    fs::remove_all(dir);
    fs::create_directories(dir);

    // A few different hours, each copied to many files with its own date
    // (bytes 16 and 17 of the second record); one hour of sound that every
    // recording links to.
    const std::string sound = (dir / "sound.wav").string();
    if (!kv::writeDemoAudio(sound, 3600.5, kv::DemoAudioFormat::Wav, 8000).empty()) return 1;
    std::vector<std::string> variants;
    for (int v = 0; v < kVariants; ++v) {
        kv::DemoOptions o;
        o.records = 3600 * 50 + 1;
        o.seed = static_cast<std::uint32_t>(v + 1);
        const std::string path = (dir / "variant.kvd").string();
        if (kv::writeKvdFile(path, kv::makeDemoRecords(o))) return 1;
        std::ifstream in(path, std::ios::binary);
        variants.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        fs::remove(path);
    }
    const fs::path sessions = dir / "sessions";
    for (int i = 0; i < kRecordings; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "group%02d/walk%03d", i / 100, i % 1000);
        const fs::path base = sessions / name;
        fs::create_directories(base.parent_path());
        std::string bytes = variants[static_cast<std::size_t>(i % kVariants)];
        const int day = 9000 + i * 5 / 7; // some days with two sessions
        bytes[20 + 16] = static_cast<char>(day >> 8);
        bytes[20 + 17] = static_cast<char>(day & 0xFF);
        std::ofstream(base.string() + ".kvd", std::ios::binary) << bytes;
        fs::create_hard_link(sound, base.string() + ".wav");
    }
    ::sync();

    const std::string folder = sessions.string();
    const std::vector<std::pair<const char*, std::vector<std::string>>> commands = {
        {"summary", {"summary", folder, "--jobs", "2", "-o", (dir / "s.csv").string()}},
        {"trend -o CSV", {"trend", folder, "--jobs", "2", "-o", (dir / "t.csv").string()}},
        {"trend -o PDF", {"trend", folder, "--jobs", "2", "-o", (dir / "t.pdf").string()}},
    };
    std::vector<std::vector<Run>> runs(commands.size());
    for (int round = 0; round < 3; ++round)
        for (std::size_t c = 0; c < commands.size(); ++c)
            runs[c].push_back(bench::runTool(tool, commands[c].second));
    const auto pdfBytes = fs::file_size(dir / "t.pdf");
    fs::remove_all(dir);

    std::printf("kvtool trend against kvtool summary, %d one-hour recordings, --jobs 2\n",
                kRecordings);
    double summaryWall = 0, summaryCpu = 0;
    for (std::size_t c = 0; c < commands.size(); ++c) {
        std::vector<double> wall, cpu;
        for (const Run& r : runs[c]) {
            if (r.exit != 0) {
                std::printf("kvtool %s failed (exit %d)\n", commands[c].first, r.exit);
                return 1;
            }
            wall.push_back(r.wall);
            cpu.push_back(r.cpu);
        }
        if (c == 0) summaryWall = median(wall), summaryCpu = median(cpu);
        std::printf("  %-13s wall_s_median=%.2f (min %.2f) cpu_s_median=%.2f", commands[c].first,
                    median(wall), *std::min_element(wall.begin(), wall.end()), median(cpu));
        if (c > 0)
            std::printf("  ratio wall=%.3f cpu=%.3f (target <= 1.2)", median(wall) / summaryWall,
                        median(cpu) / summaryCpu);
        std::printf("\n");
    }
    std::printf("  PDF size %.1f kB\n", static_cast<double>(pdfBytes) / 1024);
    return 0;
}
