// The reviewer's marks of a recording, kept in NAME.kvnotes beside the pair:
// notes at a moment or over a range, artifact ranges, and reviews of
// reactions (confirmed, rejected, or added by hand). Plain C++, so that the
// window and kvtool read and write the same file.
#pragma once

#include "FileError.h"
#include "RecordingEvents.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class MarkKind : std::uint8_t { Note, Artifact, Confirmed, Rejected, Added };

// "note", "artifact", "confirmed", "rejected", "added".
const char* markKindName(MarkKind kind);
std::optional<MarkKind> markKindFromName(const std::string& name);

struct ReviewMark {
    std::int32_t record = 1;    // 1-based record the mark starts at
    std::int32_t endRecord = 1; // last record it covers; == record for a moment
    MarkKind kind = MarkKind::Note;
    // Any UTF-8 text: line breaks, tabs, quotes and commas round-trip.
    std::string text;

    bool operator==(const ReviewMark&) const = default;
};

struct ReviewNotes {
    std::vector<ReviewMark> marks; // ordered by record, then kind, then text
    // Lines the reader did not understand (a newer version, a hand edit),
    // written back byte for byte.
    std::vector<std::string> keptLines;

    bool empty() const { return marks.empty() && keptLines.empty(); }
};

// Puts marks in the order above and drops exact duplicates. The reader and
// updateNotesFile return ordered notes; reviewOf, inArtifact and countReview
// expect them ordered.
void orderMarks(ReviewNotes& notes);

// Whether bytes are well-formed UTF-8 text.
bool isUtf8(std::string_view text);

// NAME.kvnotes beside NAME.kvd.
std::filesystem::path notesPathFor(const std::filesystem::path& dataPath);

struct NotesRead {
    enum class State { Missing, Read, Unreadable } state = State::Missing;
    ReviewNotes notes;
    // Why the file cannot be read (Unreadable): it is then never written over.
    std::string problem;
    // One line per line skipped or kept unread ("line 7: not understood: ...").
    std::vector<std::string> skipped;
};

// The text of a notes file, and back. recordCount limits the marks kept
// (marks past the recording or before it are skipped and reported).
std::string notesText(const ReviewNotes& notes);
NotesRead parseNotesText(const std::string& text, std::int32_t recordCount);

// Reads NAME.kvnotes of a data file; a missing file is State::Missing.
NotesRead readNotesFile(const std::filesystem::path& dataPath, std::int32_t recordCount);

// Applies one change to the notes file as it is on disk now: re-reads it
// under the pair's lock, applies change, and writes it through the safe
// writer (temporary, fsync, rename, fsync of the folder). The file is made
// at the first mark. A file that cannot be read is never written; the
// result then holds the reason. On success, returns the notes now in the file.
struct NotesUpdate {
    std::optional<FileError> error;
    NotesRead current;
};
NotesUpdate updateNotesFile(const std::filesystem::path& dataPath, std::int32_t recordCount,
                            const std::function<void(ReviewNotes&)>& change);

// The marks inside records [first, last], shifted so that first becomes
// record 1, for the notes of a saved segment. Ranges that cross an end are
// clipped to it.
ReviewNotes notesOfSegment(const ReviewNotes& notes, std::int32_t first, std::int32_t last);

// The notes file text of a new pair saved at newDataPath with these marks
// (the new pair's own: see notesOfSegment), for the pair's journalled save:
// nothing when there are no marks and no notes file lies there already
// (a recording without notes makes none); else the file, which replaces any
// notes the old pair of that name had.
std::optional<std::string> notesForNewPair(const ReviewNotes& notes,
                                           const std::filesystem::path& newDataPath);

// What a reviewer counts: detected reactions neither rejected nor inside an
// artifact range, plus reactions added by hand.
struct ReviewCounts {
    std::int64_t notes = 0;
    std::int64_t reactions = 0; // counted as above
    std::int64_t confirmed = 0;
    std::int64_t rejected = 0;
    std::int64_t added = 0;
    std::int64_t artifactMs = 0; // time inside artifact ranges, overlaps counted once
};
ReviewCounts countReview(const std::vector<RecordingEvent>& events, const ReviewNotes& notes,
                         const std::vector<SampleRecord>& records);

// The review state of a detected reaction starting at a record, if any.
std::optional<MarkKind> reviewOf(const ReviewNotes& notes, std::int32_t reactionRecord);
// Whether a record lies inside an artifact range.
bool inArtifact(const ReviewNotes& notes, std::int32_t record);

} // namespace kv
