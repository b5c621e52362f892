// Sessions put in time order from their summaries: by the recording's own
// date and clock, else by the file's time (and marked so), equal times in the
// order given; the figures as numbers and the CSV row.
#include "SessionSeries.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace kv {
namespace {

constexpr std::int64_t kDaySecs = 86400;
// 2026-11-20 as local seconds from 2000-01-01 (day number 9821).
constexpr std::int64_t kNov20 = (9821 - 1) * kDaySecs;

RecordingSummary summary(const std::string& file, const std::string& date,
                         const std::string& clock) {
    RecordingSummary s;
    s.file = file;
    s.date = date;
    s.clockStart = clock;
    s.durationMs = 3600000;
    s.reactions = 20;
    s.baseFirst = "3.4", s.baseLast = "3.25", s.baseMin = "3.1", s.baseMax = "3.55";
    return s;
}

std::vector<std::string> files(const SessionSeries& s) {
    std::vector<std::string> out;
    for (const SessionPoint& p : s.sessions)
        out.push_back(p.summary.file);
    return out;
}

TEST(SessionSeries, OrderedByOwnDateThenByFileTime) {
    // Given in path order; the times put them in another.
    const std::map<std::string, std::int64_t> fileTimes = {
        {"a.kvd", kNov20 + 20 * 3600}, // no date mark: 2026-11-20 20:00 by its file
        {"b.kvd",
         kNov20 + 8 * 3600}, // dated 2026-11-21 10:00 by its marks: the file time is ignored
        {"e.kvd", kNov20 + 9 * 3600}, // a date that is no date: by its file, 09:00
    };
    const auto fileTime = [&](const std::string& f) -> std::optional<std::int64_t> {
        const auto it = fileTimes.find(f);
        if (it == fileTimes.end()) return std::nullopt;
        return it->second;
    };
    const SessionSeries s = buildSessionSeries(
        {summary("a.kvd", "", "11:00:00"), summary("b.kvd", "2026-11-21", "10:00:00"),
         summary("c.kvd", "2026-11-20", "10:00:00"), summary("d.kvd", "2026-11-20", ""),
         summary("e.kvd", "2026-13-45", "07:00:00"), summary("f.kvd", "", "")},
        fileTime);
    EXPECT_EQ(files(s),
              (std::vector<std::string>{"d.kvd", "e.kvd", "c.kvd", "a.kvd", "b.kvd", "f.kvd"}));
    struct Expect {
        std::optional<std::int64_t> start;
        bool fromFile, clock;
    };
    const std::vector<Expect> expected = {
        {kNov20, false, false},                       // d: its date, no clock: midnight
        {kNov20 + 9 * 3600, true, true},              // e
        {kNov20 + 10 * 3600, false, true},            // c
        {kNov20 + 20 * 3600, true, true},             // a
        {kNov20 + kDaySecs + 10 * 3600, false, true}, // b
        {std::nullopt, false, false},                 // f: no time at all, last
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const SessionPoint& p = s.sessions[i];
        EXPECT_EQ(p.startSecs, expected[i].start) << p.summary.file;
        EXPECT_EQ(p.dateFromFile, expected[i].fromFile) << p.summary.file;
        EXPECT_EQ(p.hasClock, expected[i].clock) << p.summary.file;
    }
    EXPECT_EQ(s.datedFromFile, 2u);
    EXPECT_EQ(s.undrawable, 1u); // f has no time
    EXPECT_EQ(s.sameStart, 0u);
    EXPECT_EQ(s.sessions[2].dayNumber(), 9821);
    EXPECT_EQ(startDateText(*s.sessions[4].startSecs), "2026-11-21");
    EXPECT_EQ(startTimeText(*s.sessions[4].startSecs), "10:00:00");
}

TEST(SessionSeries, EqualTimesKeepTheOrderGiven) {
    // Enough of them that an unstable sort would shuffle them.
    std::vector<std::string> many;
    for (int i = 0; i < 40; ++i)
        many.push_back("m" + std::to_string(i * 7 % 40) + ".kvd");
    for (const std::vector<std::string>& given :
         {std::vector<std::string>{"a.kvd", "b.kvd", "c.kvd"}, {"c.kvd", "a.kvd", "b.kvd"}, many}) {
        std::vector<RecordingSummary> rows;
        // A later session first, then three at the same time, one of them
        // by its file's time.
        rows.push_back(summary("late.kvd", "2026-11-22", "10:00:00"));
        for (const std::string& f : given)
            rows.push_back(summary(f, f == "b.kvd" ? "" : "2026-11-20", "10:00:00"));
        const SessionSeries s = buildSessionSeries(rows, [](const std::string&) {
            return std::optional<std::int64_t>(kNov20 + 10 * 3600);
        });
        std::vector<std::string> expected = given;
        expected.push_back("late.kvd");
        EXPECT_EQ(files(s), expected);
        EXPECT_EQ(s.sameStart, given.size());
    }
}

TEST(SessionSeries, BaseTextsInHundredths) {
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"3.45", 345},
        {"3.4", 340},
        {"0.4", 40},
        {"6.75", 675},
        {"12.5", 1250},
        {"", std::nullopt},
        {"3", std::nullopt},
        {".4", std::nullopt},
        {"3.", std::nullopt},
        {"3.456", std::nullopt},
        {"-3.4", std::nullopt},
        {"3,4", std::nullopt},
        {"a.bc", std::nullopt},
        {"1234.5", std::nullopt},
        {"3.4 ", std::nullopt},
        {"3.+4", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(baseHundredthsOf(text), expected) << "'" << text << "'";
}

TEST(SessionSeries, ReactionsPerHourAndFigures) {
    struct Case {
        std::optional<std::int64_t> durationMs, reactions;
        std::optional<double> perHour;
        std::string text;
    };
    const std::vector<Case> cases = {
        {1800000, 30, 60.0, "60.0"},
        {3600000, 7, 7.0, "7.0"},
        {45000, 1, 80.0, "80.0"},
        {2700000, 0, 0.0, "0.0"},
        {0, 3, std::nullopt, ""},
        {std::nullopt, 3, std::nullopt, ""},
        {60000, std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        RecordingSummary r = summary("x.kvd", "2026-11-20", "10:00:00");
        r.durationMs = c.durationMs;
        r.reactions = c.reactions;
        const SessionSeries s = buildSessionSeries({r});
        ASSERT_EQ(s.sessions.size(), 1u);
        const SessionPoint& p = s.sessions[0];
        EXPECT_EQ(p.reactionsPerHour, c.perHour);
        EXPECT_EQ(reactionsPerHourText(p), c.text);
        EXPECT_EQ(p.baseFirst, 340);
        EXPECT_EQ(p.baseLast, 325);
        EXPECT_EQ(p.baseMin, 310);
        EXPECT_EQ(p.baseMax, 355);
        EXPECT_TRUE(p.drawable());
    }
    // A row that failed the format check has no figures to draw.
    RecordingSummary bad;
    bad.file = "bad.kvd";
    bad.status = "format: fewer than 5 records";
    const SessionSeries s = buildSessionSeries(
        {bad}, [](const std::string&) { return std::optional<std::int64_t>(kNov20); });
    EXPECT_FALSE(s.sessions[0].drawable());
    EXPECT_EQ(s.undrawable, 1u);
    EXPECT_EQ(s.drawable(), 0u);
}

// The fields of a CSV line (quoted fields kept whole).
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            out.emplace_back();
        else if (c != '\n')
            out.back() += c;
    }
    return out;
}

TEST(SessionSeries, CsvRowIsTheSummaryRowAndThreeMore) {
    const std::string header = trendCsvHeader();
    EXPECT_EQ(header.rfind(std::string(summaryCsvHeader()) + ",", 0), 0u);
    const std::vector<std::string> names = fields(header);
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()),
              (std::vector<std::string>{"reactions_per_hour", "session_start", "date_source"}));

    RecordingSummary dated = summary("/data/anna, week 1/s1.kvd", "2026-11-20", "10:05:00");
    dated.durationMs = 1800000;
    dated.reactions = 45;
    const SessionSeries s =
        buildSessionSeries({dated, summary("s2.kvd", "", "")}, [](const std::string&) {
            return std::optional<std::int64_t>(kNov20 + 12 * 3600 + 1);
        });
    const std::string row = trendCsvRow(s.sessions[0]);
    EXPECT_EQ(row.back(), '\n');
    EXPECT_EQ(row.rfind(summaryCsvRow(dated).substr(0, summaryCsvRow(dated).size() - 1) + ",", 0),
              0u);
    const std::vector<std::string> f = fields(row);
    ASSERT_EQ(f.size(), names.size());
    EXPECT_EQ(f[0], "/data/anna, week 1/s1.kvd");
    EXPECT_EQ(std::vector<std::string>(f.end() - 3, f.end()),
              (std::vector<std::string>{"90.0", "2026-11-20 10:05:00", "recording"}));
    const std::vector<std::string> g = fields(trendCsvRow(s.sessions[1]));
    ASSERT_EQ(g.size(), names.size());
    EXPECT_EQ(std::vector<std::string>(g.end() - 3, g.end()),
              (std::vector<std::string>{"20.0", "2026-11-20 12:00:01", "file"}));
}

TEST(SessionSeries, FileTimeIsLocalTime) {
    test::TempDir dir;
    const std::string path = dir.file("s.kvd");
    std::ofstream(path) << "x";
    // A zone five hours east of UTC, so that local time and UTC differ.
    const char* const oldZone = std::getenv("TZ");
    const std::string kept = oldZone ? oldZone : "";
    ::setenv("TZ", "KVT-5", 1);
    ::tzset();
    // 2026-11-20 02:30:15 there: 21:30:15 the day before in UTC.
    std::tm local{};
    local.tm_year = 126, local.tm_mon = 10, local.tm_mday = 20;
    local.tm_hour = 2, local.tm_min = 30, local.tm_sec = 15;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    const timespec times[2] = {{when, 0}, {when, 0}};
    const int set = ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    const auto seen = fileTimeOf(path);
    if (oldZone)
        ::setenv("TZ", kept.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    ASSERT_EQ(set, 0);
    EXPECT_EQ(seen, kNov20 + 2 * 3600 + 30 * 60 + 15);
    EXPECT_EQ(fileTimeOf(dir.file("missing.kvd")), std::nullopt);
}

} // namespace
} // namespace kv
