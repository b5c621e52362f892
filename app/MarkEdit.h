// One change of the reviewer's marks: the marks taken away and the marks put
// in. It names marks by what they are, not where they sit, so that it can be
// applied to the marks as they are on disk at the time (another program may
// have added its own since) and undone by its inverse.
#pragma once

#include "ReviewNotes.h"

#include <vector>

namespace kv {

struct MarkEdit {
    std::vector<ReviewMark> remove;
    std::vector<ReviewMark> add;

    MarkEdit inverse() const { return {add, remove}; }
};

// Removes one mark equal to each of edit.remove (nothing for one that is not
// there), then puts in each of edit.add where the order of marks (record,
// kind, text, end) has it, after equal ones.
void applyMarkEdit(ReviewNotes& notes, const MarkEdit& edit);
// Puts marks in that order (equal ones keep theirs).
void sortMarks(ReviewNotes& notes);

} // namespace kv
