#include "SessionSeries.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace kv {
namespace {

using namespace std::chrono;

constexpr std::int64_t kDaySecs = 86400;
constexpr sys_days kEpoch = sys_days(year{2000} / January / 1);

// A whole number of exactly `digits` digits at text[at..].
std::optional<int> digitsAt(const std::string& text, std::size_t at, std::size_t digits) {
    if (at + digits > text.size()) return std::nullopt;
    int v = 0;
    const char* first = text.data() + at;
    const auto [end, ec] = std::from_chars(first, first + digits, v);
    if (ec != std::errc() || end != first + digits) return std::nullopt;
    for (std::size_t i = 0; i < digits; ++i)
        if (first[i] < '0' || first[i] > '9') return std::nullopt;
    return v;
}

// Local seconds from 2000-01-01 of "YYYY-MM-DD" (the summary's date).
std::optional<std::int64_t> dateSecs(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto y = digitsAt(text, 0, 4), m = digitsAt(text, 5, 2), d = digitsAt(text, 8, 2);
    if (!y || !m || !d) return std::nullopt;
    const year_month_day ymd{year{*y}, month{static_cast<unsigned>(*m)},
                             day{static_cast<unsigned>(*d)}};
    if (!ymd.ok()) return std::nullopt;
    return (sys_days(ymd) - kEpoch).count() * kDaySecs;
}

// Seconds since midnight of "HH:MM:SS" (the summary's clock start).
std::optional<std::int64_t> clockSecs(const std::string& text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
    const auto h = digitsAt(text, 0, 2), m = digitsAt(text, 3, 2), s = digitsAt(text, 6, 2);
    if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
    return *h * 3600 + *m * 60 + *s;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

} // namespace

std::int32_t SessionPoint::dayNumber() const {
    return static_cast<std::int32_t>(floorDiv(startSecs.value_or(0), kDaySecs) + 1);
}

std::optional<int> baseHundredthsOf(const std::string& text) {
    const auto dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 3) return std::nullopt;
    const std::size_t decimals = text.size() - dot - 1;
    if (decimals < 1 || decimals > 2) return std::nullopt;
    const auto whole = digitsAt(text, 0, dot), part = digitsAt(text, dot + 1, decimals);
    if (!whole || !part) return std::nullopt;
    return *whole * 100 + *part * (decimals == 1 ? 10 : 1);
}

std::optional<std::int64_t> fileTimeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    const std::time_t t = st.st_mtime;
    std::tm local{};
    if (!::localtime_r(&t, &local)) return std::nullopt;
    const year_month_day ymd{year{local.tm_year + 1900},
                             month{static_cast<unsigned>(local.tm_mon + 1)},
                             day{static_cast<unsigned>(local.tm_mday)}};
    return (sys_days(ymd) - kEpoch).count() * kDaySecs + local.tm_hour * 3600 + local.tm_min * 60 +
           std::min(local.tm_sec, 59);
}

SessionSeries
buildSessionSeries(std::vector<RecordingSummary> rows,
                   const std::function<std::optional<std::int64_t>(const std::string&)>& fileTime) {
    SessionSeries series;
    series.sessions.reserve(rows.size());
    for (RecordingSummary& row : rows) {
        SessionPoint p;
        if (const auto date = dateSecs(row.date)) {
            const auto clock = clockSecs(row.clockStart);
            p.startSecs = *date + clock.value_or(0);
            p.hasClock = clock.has_value();
        } else if (fileTime) {
            p.startSecs = fileTime(row.file);
            p.dateFromFile = p.hasClock = p.startSecs.has_value();
        }
        if (row.reactions && row.durationMs && *row.durationMs > 0)
            p.reactionsPerHour = static_cast<double>(*row.reactions) * 3600000.0 /
                                 static_cast<double>(*row.durationMs);
        p.baseFirst = baseHundredthsOf(row.baseFirst);
        p.baseLast = baseHundredthsOf(row.baseLast);
        p.baseMin = baseHundredthsOf(row.baseMin);
        p.baseMax = baseHundredthsOf(row.baseMax);
        p.summary = std::move(row);
        series.undrawable += p.drawable() ? 0 : 1;
        series.datedFromFile += p.dateFromFile ? 1 : 0;
        series.sessions.push_back(std::move(p));
    }
    // Sessions without any time go last, in the order given.
    std::stable_sort(series.sessions.begin(), series.sessions.end(),
                     [](const SessionPoint& a, const SessionPoint& b) {
                         if (!a.startSecs || !b.startSecs) return a.startSecs && !b.startSecs;
                         return *a.startSecs < *b.startSecs;
                     });
    const auto& s = series.sessions;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool before = i > 0 && s[i].startSecs && s[i - 1].startSecs == s[i].startSecs;
        const bool after =
            i + 1 < s.size() && s[i].startSecs && s[i + 1].startSecs == s[i].startSecs;
        series.sameStart += before || after ? 1 : 0;
    }
    return series;
}

std::string startDateText(std::int64_t secs) {
    const year_month_day ymd{kEpoch + days{floorDiv(secs, kDaySecs)}};
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buf;
}

std::string startTimeText(std::int64_t secs) {
    return timeOfDayText(secs - floorDiv(secs, kDaySecs) * kDaySecs);
}

std::string reactionsPerHourText(const SessionPoint& p) {
    if (!p.reactionsPerHour) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", *p.reactionsPerHour);
    return buf;
}

std::string trendCsvHeader() {
    return std::string(summaryCsvHeader()) + ",reactions_per_hour,session_start,date_source";
}

std::string trendCsvRow(const SessionPoint& p) {
    std::string row = summaryCsvRow(p.summary);
    while (!row.empty() && (row.back() == '\n' || row.back() == '\r'))
        row.pop_back();
    row += ',';
    row += reactionsPerHourText(p);
    row += ',';
    if (p.startSecs) row += startDateText(*p.startSecs) + ' ' + startTimeText(*p.startSecs);
    row += ',';
    if (p.startSecs) row += p.dateFromFile ? "file" : "recording";
    row += '\n';
    return row;
}

} // namespace kv
