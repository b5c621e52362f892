// A series of sessions with a known trend, for tests, benchmarks and the
// user guide's pictures: the Base at the start of each session falls by a
// set step, and the reactions come more often from session to session. The
// sessions are dated four a week (two on the first day of each week, then
// two single days with gaps between), so a trend over them shows days side
// by side and days without sessions.
#pragma once

#include "SampleRecord.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct SeriesOptions {
    int sessions = 12;
    double seconds = 600;         // each session's length
    std::int32_t firstDay = 9821; // 2026-11-20
    int firstBase = 500;          // Base at the first session's start, in hundredths
    int baseStep = 10;            // how much lower each next session starts (multiples of 5)
    double firstRate = 30;        // falls per hour in the first session
    double rateStep = 15;         // and how many more in each next one
    int soundRate = 22050;        // samples a second of the sound
};

struct SeriesSession {
    std::vector<SampleRecord> records;
    std::int32_t day = 0;       // the date mark
    std::int32_t clockSecs = 0; // the clock mark
    int baseFirst = 0;          // Base of the first record, in hundredths
    int falls = 0;              // falls put in (each one a reaction)
};

// Session k (0-based) of the series. Past what the meter can show, the Base
// stays at its lowest (0.60) and the falls at one every 12 s.
SeriesSession makeSeriesSession(const SeriesOptions& options, int k);

// Writes every session as FOLDER/sessionNNN.kvd with its sound (WAV, or
// none), numbered from the last session down so that their names
// sort against their dates; returns "" or an error text. `table` gets one CSV
// row per session in date order: file,date,clock_start,base_first,falls.
std::string writeSeries(const std::string& folder, const SeriesOptions& options, bool sound,
                        std::string& table);

} // namespace kv
