// Segment editing: cutting a recording down to its bracketed range
// (Expand) and saving a recording as a new pair of files.
//
// Saving is all or nothing: the data file and the sound are written to
// temporary files beside their targets and renamed into place only when both
// are complete; any failure removes the temporaries and leaves every
// existing file as it was.
#pragma once

#include "KvdFile.h"
#include "RecordingFile.h"

#include <optional>
#include <string>

namespace kv {

class AudioChannel;

struct ExpandCut {
    std::int32_t startMs = 0;  // time of the new first record in the old recording
    std::string startUnits;    // start in device units, as text (may hold a fraction)
    std::int64_t endUnits = 0; // end in device units
};

// Cuts rec to records LoopStartRecord..LoopEndRecord: times start at 0, the
// clock moves on by the cut, record 1 carries a clock mark and record 2 the
// old date mark. The caller cuts the sound with the returned positions.
ExpandCut Expand_Recording(RecordingFile& rec);

// The two delete commands that cut the sound to the same segment.
void cutAudio(AudioChannel& audio, const ExpandCut& cut);

// Writes rec's records to base + ".kvd" and, when audio is given, the
// channel's sound to base + ".wav". Progress as for reading, in fiftieths.
std::optional<FileError> saveRecordingPair(const RecordingFile& rec, const std::string& base,
                                           AudioChannel* audio, const ProgressFn& progress = {});

// "The file could not be saved for the following reason(s): " ...
std::string couldNotSaveText(const FileError& e);

inline constexpr int kErrFileAlreadyOpen = 55;
inline constexpr int kErrCancelled = 32755;

} // namespace kv
