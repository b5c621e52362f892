// RecordingFile: a recording held in memory. Records are numbered from 1 as
// in the file; record(i) and the range fields use that numbering. A
// RecordingFile is only ever built complete by the loader, so a half-loaded
// recording cannot exist.
#pragma once

#include "SampleRecord.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

enum class AudioKind : std::int16_t { None = 0, Mp3 = 1, Wav = 2 };

struct RecordingFile {
    std::vector<SampleRecord> Records; // Records[0] is record 1
    std::int32_t RecordCount = 0;
    SampleRecord CurrentRecord;
    std::int32_t RecordCursor = 0;
    // The bracketed range: records LoopStartRecord..LoopEndRecord, both
    // included (numbered from 1; 0 before a range is chosen).
    std::int32_t LoopStartRecord = 0;
    std::int32_t LoopEndRecord = 0;
    std::int32_t TotalTimeMs = 0;
    std::int32_t ClockStartSecs = 0;
    std::int32_t RecordingDay = 0; // days after 31 December 1999
    AudioKind AudioType = AudioKind::None;
    std::int32_t AudioUnitsPerSec = 0;
    std::int16_t SkipStepSecs = 10;
    std::string LoadedFileBase;
    std::string AudioPath; // the file opened on the audio channel

    const SampleRecord& record(std::int32_t n) const {
        return Records[static_cast<std::size_t>(n - 1)];
    }
    std::chrono::year_month_day RecordingDate() const;
};

// 31 December 1999 plus the day number.
std::chrono::year_month_day dateFromDayNumber(std::int32_t day);

} // namespace kv
