// The overview strip: a whole recording, or a span of it, at a glance. Each
// pixel column shows the lowest and highest recorded needle position of the
// records under it (an envelope), with the Base as a second line, tag ticks
// with their numbers, reaction markers, body-motion bands and a time axis.
// The columns are built once from the records; drawing reads only them and
// the events, so a redraw costs the same for any length of recording.
#pragma once

#include "RecordingEvents.h"
#include "ReviewNotes.h"
#include "SampleRecord.h"

#include <QRect>

#include <cstdint>
#include <vector>

class QPainter;

namespace kv {

struct OverviewColumn {
    std::int16_t needleMin = 0, needleMax = 0;
    std::uint8_t baseMin = 0, baseMax = 0;
};

// The records (0-based, inclusive) a span of `width` columns shows, and the
// column of a record: column x holds records first + x * n / width up to the
// next column's first, n = last - first + 1.
struct OverviewMapping {
    std::int32_t first = 0, last = 0;
    int width = 1;

    std::int32_t count() const { return last - first + 1; }
    // first + column * count() / width, the division rounded down; column
    // is not checked (width gives last + 1).
    std::int32_t firstRecordOf(int column) const;
    // The column whose records include `record`: the last column whose first
    // record is at or before it, kept within 0..width - 1.
    int columnOf(std::int32_t record) const;
};

// One column per x in 0..width - 1, each the lowest and highest of the
// records from firstRecordOf(x) to firstRecordOf(x + 1) - 1 (at least one).
std::vector<OverviewColumn> buildOverviewColumns(const std::vector<SampleRecord>& records,
                                                 const OverviewMapping& mapping);

struct OverviewPicture {
    const std::vector<SampleRecord>* records = nullptr;
    OverviewMapping mapping;
    std::vector<OverviewColumn> columns;
    std::vector<RecordingEvent> events; // those to mark: tags, reactions, motion
    bool hasClock = false;
    std::int32_t clockStartSecs = 0;
    // The legend at the top right; a page with room for its own leaves it
    // out, so that no tag number is hidden under it.
    bool legend = true;
    // The reviewer's marks: a flag at each note, a hatched band over each
    // artifact range, rejected reactions hollow, reactions added by hand as
    // the detected ones.
    ReviewNotes review;
};

// Draws the strip into `area` (its width should be mapping.width).
void drawOverview(QPainter& p, const QRect& area, const OverviewPicture& picture);

} // namespace kv
