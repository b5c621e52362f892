#include "MarkEdit.h"

#include <algorithm>
#include <tuple>

namespace kv {

namespace {

bool before(const ReviewMark& a, const ReviewMark& b) {
    return std::tie(a.record, a.kind, a.text, a.endRecord) <
           std::tie(b.record, b.kind, b.text, b.endRecord);
}

} // namespace

void applyMarkEdit(ReviewNotes& notes, const MarkEdit& edit) {
    auto& marks = notes.marks;
    for (const ReviewMark& gone : edit.remove)
        if (const auto it = std::find(marks.begin(), marks.end(), gone); it != marks.end())
            marks.erase(it);
    for (const ReviewMark& mark : edit.add)
        marks.insert(std::upper_bound(marks.begin(), marks.end(), mark, before), mark);
}

} // namespace kv

namespace kv {

void sortMarks(ReviewNotes& notes) {
    std::stable_sort(notes.marks.begin(), notes.marks.end(), before);
}

} // namespace kv
