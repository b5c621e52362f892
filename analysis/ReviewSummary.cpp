// The reviewer's part of a recording's summary, kept apart from the figures
// of the records so that a recording without notes costs one look for a file.
#include "RecordingSummary.h"
#include "ReviewNotes.h"

namespace kv {

void addReviewFigures(RecordingSummary& s, const std::string& dataPath,
                      const std::vector<SampleRecord>& records, std::int32_t firstRecord,
                      std::int32_t recordCount) {
    const NotesRead read = readNotesFile(dataPath, recordCount);
    if (read.state == NotesRead::State::Unreadable) {
        if (s.ok()) s.status = "badnotes: " + notesPathFor(dataPath).string() + ": " + read.problem;
        return;
    }
    s.notes = s.reactionsConfirmed = s.reactionsRejected = s.artifactMs = 0;
    if (read.state == NotesRead::State::Missing || records.empty()) return;
    const auto count = static_cast<std::int32_t>(records.size());
    const ReviewNotes notes = notesOfSegment(read.notes, firstRecord, firstRecord + count - 1);
    EventOptions reactions;
    reactions.kinds = 1U << static_cast<unsigned>(EventKind::Reaction);
    const ReviewCounts c = countReview(findEvents(records, reactions), notes, records);
    s.notes = c.notes;
    s.reactions = c.reactions;
    s.reactionsConfirmed = c.confirmed;
    s.reactionsRejected = c.rejected;
    s.artifactMs = c.artifactMs;
}

} // namespace kv
