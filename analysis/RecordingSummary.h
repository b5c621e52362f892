// The summary of one recording: its identity (date, clock), length, sound,
// counts of events, Base range and last counter, and whether anything is
// wrong with it. kvtool summary writes one as a CSV row; the report and the
// window show the same figures.
#pragma once

#include "SampleRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct RecordingSummary {
    std::string file;
    std::string date;                       // YYYY-MM-DD from the date mark, "" without one
    std::string clockStart;                 // HH:MM:SS from the clock mark, "" without one
    std::optional<std::int64_t> durationMs; // the last record's time
    std::optional<std::int64_t> records;
    std::string audio;                   // "wav", "mp3" or ""
    std::optional<std::int64_t> audioMs; // the sound's length from its header
    std::optional<std::int64_t> tags, sets, motions, reactions;
    std::string baseFirst, baseLast, baseMin, baseMax; // the panel's Base text
    std::string counterLast;                           // the panel's counter text
    // "ok", or one word and the reason: "format: ...", "unreadable: ...", ...
    std::string status = "ok";
    // The reviewer's marks (NAME.kvnotes): notes, reviewed reactions and the
    // time inside artifact ranges; all 0 without a notes file.
    std::optional<std::int64_t> notes, reactionsConfirmed, reactionsRejected, artifactMs;
    bool formatFailed = false; // the data file failed the format check

    bool ok() const { return status == "ok"; }
};

// The figures of records already in memory (a whole recording or a range of
// one). The clock and date come from the recording's marks, passed in since a
// range need not start at record 1. Sound and status are left to the caller.
RecordingSummary summariseRecords(const std::vector<SampleRecord>& records,
                                  std::optional<std::int32_t> clockStartSecs,
                                  std::optional<std::int32_t> dayNumber);

// The clock and date marks of a recording's first two records.
std::optional<std::int32_t> clockMarkOf(const std::vector<SampleRecord>& records);
std::optional<std::int32_t> dayMarkOf(const std::vector<SampleRecord>& records);

// "HH:MM:SS" of a number of seconds since midnight (wrapping at a day).
std::string timeOfDayText(std::int64_t secs);
// "YYYY-MM-DD" of a day number (1 is 1 January 2000).
std::string dayNumberText(std::int32_t day);

// The sound of a recording as found beside its data file.
struct SoundInfo {
    std::string kind; // "wav", "mp3" or "" when there is none
    std::string path;
    std::optional<std::int64_t> lengthMs; // from the header; none when it cannot be read
    std::string problem;                  // why it cannot be read
};
// Looks for base.wav (when not empty), then base.mp3, as the loader does,
// and reads the sound's length from the file's header without decoding it.
SoundInfo findSound(const std::string& basePath);

// Takes the sound into the summary and sets the status from it: ok, or no
// sound, a sound that cannot be read, or one more than 1 s shorter than the data.
void judgeSound(RecordingSummary& summary, const SoundInfo& sound);

// Reads a data file and summarises it with its sound. Never throws for a bad
// file: what is wrong goes into the status.
RecordingSummary summariseFile(const std::string& path);

// Takes the reviewer's marks of dataPath's recording into the figures of its
// records (firstRecord: the recording's number of records.front(), for a
// range): reactions becomes what a reviewer counts. Only reads events again
// when a notes file exists. A notes file that cannot be read leaves the
// figures as they are and turns an ok status into "badnotes: ...".
// recordCount: the whole recording's records, when known (marks past it are
// not understood, as kvtool events has them); 0 when not.
void addReviewFigures(RecordingSummary& summary, const std::string& dataPath,
                      const std::vector<SampleRecord>& records, std::int32_t firstRecord = 1,
                      std::int32_t recordCount = 0);

// The CSV header (without line end) and one row (with it).
const char* summaryCsvHeader();
std::string summaryCsvRow(const RecordingSummary& summary);

} // namespace kv
