// Sessions over time: the summaries of many recordings, put in the order
// they were made (the recording's own date and clock marks, or the data
// file's time when it has no date mark), with the figures a trend needs as
// numbers: Base in hundredths and reactions per hour. Plain C++; the trend
// page, kvtool trend and the sessions panel all build on it.
#pragma once

#include "RecordingSummary.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct SessionPoint {
    RecordingSummary summary;
    // When the session began, in local seconds from 2000-01-01 00:00 (the
    // recording's date and clock, or the file's time); none when neither is known.
    std::optional<std::int64_t> startSecs;
    bool dateFromFile = false; // no date mark: ordered by the data file's time
    bool hasClock = false;     // startSecs holds the time of day of the clock mark
    std::optional<double> reactionsPerHour;
    // The Base figures in hundredths ("3.45" is 345); none when the summary has none.
    std::optional<int> baseFirst, baseLast, baseMin, baseMax;

    // Whether it has the figures a trend draws.
    bool drawable() const { return startSecs && baseFirst && baseLast && baseMin && baseMax; }
    // The day of startSecs, 1 being 2000-01-01 (as the date mark counts).
    std::int32_t dayNumber() const;
};

struct SessionSeries {
    std::vector<SessionPoint> sessions; // in time order; equal times keep the order given
    // How many are not drawn, and how many share their start with another.
    std::size_t undrawable = 0, sameStart = 0, datedFromFile = 0;
    std::size_t drawable() const { return sessions.size() - undrawable; }
};

// The modification time of a file, in local seconds from 2000-01-01 00:00;
// none when it cannot be read.
std::optional<std::int64_t> fileTimeOf(const std::string& path);

// Puts summaries in time order. `fileTime` gives a file's time for a
// recording without a date mark (fileTimeOf by default). The sort is stable:
// summaries with the same start keep the order given (kvtool's is by path).
SessionSeries buildSessionSeries(
    std::vector<RecordingSummary> rows,
    const std::function<std::optional<std::int64_t>(const std::string&)>& fileTime = fileTimeOf);

// "3.45" or "3.4" (the panel's Base text) in hundredths; none for anything else.
std::optional<int> baseHundredthsOf(const std::string& text);

// "YYYY-MM-DD" and "HH:MM:SS" of local seconds from 2000-01-01 00:00.
std::string startDateText(std::int64_t secs);
std::string startTimeText(std::int64_t secs);
// "12.3", or "" without a rate.
std::string reactionsPerHourText(const SessionPoint& point);

// The CSV of a series: the summary columns, then reactions_per_hour,
// session_start (the date and time it is ordered by) and date_source
// ("recording", or "file" when that is the file's time).
std::string trendCsvHeader();
std::string trendCsvRow(const SessionPoint& point);

} // namespace kv
