#include "SyntheticSeries.h"

#include "DemoData.h"
#include "SyntheticFalls.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace kv {
namespace {

constexpr int kLowestBase = 60;     // 0.60: well inside what the Base can show
constexpr double kShortestGap = 12; // seconds between falls, at most

// The raw reading in the middle of the two Base codes that show `hundredths`.
double levelOf(int hundredths) {
    const int pair = hundredths / 5 - 8; // codes 2 * pair and 2 * pair + 1
    const double scaled = 512.0 * pair + 256 - 1170;
    return 2 * std::floor(scaled * 32768 / 61550);
}

} // namespace

SeriesSession makeSeriesSession(const SeriesOptions& o, int k) {
    SeriesSession s;
    // Four sessions a week: days 0 (10:00 and 15:00), 2 and 5.
    static constexpr int kDays[] = {0, 0, 2, 5};
    static constexpr int kClocks[] = {36000, 54000, 36000, 36000};
    s.day = o.firstDay + 7 * (k / 4) + kDays[k % 4];
    s.clockSecs = kClocks[k % 4];
    s.baseFirst = std::max(kLowestBase, o.firstBase - k * o.baseStep);

    FallOptions f;
    f.records = static_cast<std::int32_t>(o.seconds * 50) + 1;
    f.seed = static_cast<std::uint32_t>(k + 1);
    f.clockStartSecs = s.clockSecs;
    f.dayNumber = s.day;
    f.level = levelOf(s.baseFirst);
    const double rate = o.firstRate + k * o.rateStep;
    f.minGapSecs = f.maxGapSecs = std::max(kShortestGap, 3600.0 / std::max(1.0, rate));
    FallRecording made = makeFallRecording(f);
    s.falls = static_cast<int>(made.falls.size());
    s.records = std::move(made.records);
    return s;
}

std::string writeSeries(const std::string& folder, const SeriesOptions& o, bool sound,
                        std::string& table) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return "cannot make the folder " + folder + ": " + ec.message();
    table = "file,date,clock_start,base_first,falls\n";
    for (int k = 0; k < o.sessions; ++k) {
        const SeriesSession s = makeSeriesSession(o, k);
        char name[32];
        std::snprintf(name, sizeof name, "session%03d", o.sessions - k);
        const std::string base = (std::filesystem::path(folder) / name).string();
        const std::string error = writeDemoRecording(
            base, s.records, o.seconds + 0.5,
            sound ? std::optional(DemoAudioFormat::Wav) : std::nullopt, o.soundRate);
        if (!error.empty()) return error;
        const auto d = s.day;
        char row[160];
        // Day 1 is 2000-01-01.
        const auto ymd = std::chrono::year_month_day(
            std::chrono::sys_days(std::chrono::year{2000} / 1 / 1) + std::chrono::days{d - 1});
        std::snprintf(row, sizeof row, "%s.kvd,%04d-%02u-%02u,%02d:%02d:%02d,%d.%02d,%d\n", name,
                      static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                      static_cast<unsigned>(ymd.day()), s.clockSecs / 3600, s.clockSecs / 60 % 60,
                      s.clockSecs % 60, s.baseFirst / 100, s.baseFirst % 100, s.falls);
        table += row;
    }
    return {};
}

} // namespace kv
