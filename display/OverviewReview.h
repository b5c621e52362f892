// The reviewer's marks on the overview strip: a hatched band over each
// artifact range (behind the traces), a flag at each note with a bar along
// the top of the plot for a range, and rejected reactions as hollow marks.
#pragma once

#include "ReviewNotes.h"

#include <QColor>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace kv {

struct OverviewMapping;

// Plot: the rectangle of the traces; its left edge is column 0.
void drawArtifactBands(QPainter& p, const QRect& plot, const OverviewMapping& m,
                       const ReviewNotes& review);
void drawNoteFlags(QPainter& p, const QRect& plot, const OverviewMapping& m,
                   const ReviewNotes& review);
// An outline of `shape` (its left edge at column 0, one column wide before
// the widening by one on each side) at each marked column.
void drawHollowMarks(QPainter& p, const std::vector<std::uint8_t>& columns, const QRect& shape,
                     const QColor& colour);

// The notes whose flags stand within `slack` columns of column x, nearest
// first (indexes into review.marks); empty when none does.
std::vector<std::size_t> notesNearColumn(const ReviewNotes& review, const OverviewMapping& m,
                                         int x, int slack);

} // namespace kv
