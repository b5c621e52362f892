// The reviewer's marks as tables: the event list with the notes, artifact
// ranges and reactions added by hand among the detected events and a review
// column, and the notes alone, both as CSV for kvtool and the window's
// exports. Times are the records' own TimeMs.
#pragma once

#include "ReviewNotes.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& text);

// The CSV of writeEventsCsv with a last column, review: "confirmed" or
// "rejected" for a reviewed reaction, "added" for a reaction added by hand
// (value 0, text the reviewer's), empty otherwise. Notes (kind note) and
// artifact ranges (kind artifact) are rows at their first record; their value
// is the time they cover in ms and their text the reviewer's. kinds selects
// as parseEventKinds does: added reactions go with reaction. events must be
// in record order, as findEvents gives them; marks past the records are left out.
void writeReviewedEventsCsv(const std::vector<RecordingEvent>& events,
                            const std::vector<SampleRecord>& records, const ReviewNotes& notes,
                            std::uint32_t kinds, std::ostream& out);

// Every mark as CSV in record order, under the header
// "record,end_record,time_ms,end_time_ms,clock,kind,text".
void writeNotesCsv(const ReviewNotes& notes, const std::vector<SampleRecord>& records,
                   std::ostream& out);

// The last record at or before timeMs (1-based): where a mark made at that
// moment of playback goes; the first record for a time before it, 0 when
// there are no records.
std::int32_t recordAtTime(const std::vector<SampleRecord>& records, std::int64_t timeMs);

} // namespace kv
