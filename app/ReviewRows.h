// How the reviewer's marks read in the event list: the rows of notes,
// artifact ranges and reactions added by hand, and the state a review gives
// a detected reaction's row.
#pragma once

#include "RecordingEvents.h"
#include "ReviewNotes.h"

#include <QString>

#include <vector>

namespace kv {

// Notes, artifact ranges and added reactions have rows; confirmations and
// rejections only change the row of the reaction they name.
bool hasOwnRow(const ReviewMark& mark);

// "Note", "Artifact", "Reaction" (added by hand).
QString markCaption(const ReviewMark& mark);

// The text column of a mark's row: "to 01:30" for a range, then the text
// with its line breaks shown as " ⏎ " ("added by hand" for a reaction).
QString markRowText(const ReviewMark& mark, const std::vector<SampleRecord>& records,
                    std::int32_t totalTimeMs);

// A detected reaction's row as the review leaves it.
struct ReviewLook {
    QString suffix;             // " (confirmed)", " (rejected)", " (in artifact)"
    bool struckThrough = false; // rejected
    bool uncounted = false;     // rejected or inside an artifact range: greyed
};
ReviewLook reviewLook(const ReviewNotes* notes, const RecordingEvent& event);

} // namespace kv
