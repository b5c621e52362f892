// Segment editing: cutting a recording down to its bracketed range
// (Expand) and saving a recording as a new pair of files.
//
// Saving is all or nothing: the data file and the sound are written to
// temporary files beside their targets and renamed into place only when both
// are complete; any failure removes the temporaries and leaves every
// existing file as it was.
#pragma once

#include "FileReplacement.h"
#include "KvdFile.h"
#include "RecordingFile.h"

#include <optional>
#include <string>
#include <vector>

namespace kv {

class AudioChannel;

struct ExpandCut {
    std::int32_t startMs = 0;  // time of the new first record in the old recording
    std::string startUnits;    // start in device units, as text (may hold a fraction)
    std::int64_t endUnits = 0; // end in device units
};

// Cuts rec to records LoopStartRecord..LoopEndRecord, both included (a start
// below 1 reads as 1, an end is clamped to start..RecordCount): times start at
// 0, the clock moves on by the cut, record 1 carries a clock mark and record 2
// the old date mark. The caller cuts the sound with the returned positions:
// the sound from startUnits (exact, a fraction kept) up to endUnits (the last
// record's time, rounded to nearest with halves to even) is kept.
ExpandCut Expand_Recording(RecordingFile& rec);

// The two delete commands that cut the sound to the same segment.
void cutAudio(AudioChannel& audio, const ExpandCut& cut);

// Where and how a recording is saved as a new pair of files.
struct PairSaveRequest {
    std::string basePath;                    // the pair's path without ".kvd"
    std::vector<std::string> protectedFiles; // files in use, which may not be replaced
    ProgressFn progress;                     // steps 1..50 while records are written
    FileReplacement::StepHook stepHook;      // tests stop or fail single steps
    // The text of the new pair's notes file (basePath + ".kvnotes"), written
    // in the same change as the pair; nothing: no notes file is written.
    std::optional<std::string> notes = std::nullopt;
};

struct PairSaveResult {
    std::optional<FileError> error;
    std::string notice;  // what became of an earlier save of this pair that was interrupted
    std::string warning; // a pair that was saved but is not what the user may expect
};

// Writes rec's records to basePath + ".kvd" and, when audio is given, the
// channel's sound to basePath + ".wav" (and request.notes, when given, to
// basePath + ".kvnotes"), replacing them as one change (see FileReplacement). Refuses a recording
// of fewer than five records, a target that is one of the protected files (compared by identity,
// not by name), and targets that are not regular files or are read-only.
PairSaveResult saveRecordingPair(const RecordingFile& rec, AudioChannel* audio,
                                 const PairSaveRequest& request);

// Why the pair at request.basePath may not be written: a target that is in
// use or cannot be replaced. Checked before anything changes.
std::optional<FileError> checkPairTarget(const PairSaveRequest& request, bool withSound);

// The refusal of a segment too short to be loaded again.
FileError tooFewRecordsError(std::int32_t records);

// The files of the loaded recording: its data file and the sound it plays.
std::vector<std::string> filesInUse(const RecordingFile& rec);

// The pair's base path for a chosen file name: the name less ".kvd", or the
// whole name when it does not end in ".kvd" (a typed name without the
// extension gets it added).
std::string pairBaseOf(const std::string& chosen);

// The names a save to basePath writes that exist already.
std::vector<std::string> existingPairFiles(const std::string& basePath, bool withSound);

// Finishes or undoes an interrupted save of the pair at basePath and removes
// what killed saves left in its folder. The message says what was done; a
// recovery that is not settled() left a journal that still waits. lockHeld:
// the caller holds the pair's lock already (a save in this process).
Recovery recoverInterruptedSave(const std::string& basePath, bool lockHeld = false);

// Why the pair at basePath cannot be read as it is: a save of it was
// interrupted and its journal still waits beside it. Empty when there is none.
std::string interruptedSaveProblem(const std::string& basePath);

// "The file could not be saved for the following reason(s): " ...
std::string couldNotSaveText(const FileError& e);

// The fewest records a recording can have and still load.
inline constexpr std::int32_t kMinRecords = 5;

} // namespace kv
