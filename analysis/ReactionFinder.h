// Finds reactions in a recording: falls of the raw reading (the needle moving
// right) of at least a number of dial divisions at the recorded knob, from
// onset to peak within a time window. Fed one record at a time, in order.
//
// The reading is smoothed over 5 records (100 ms) so that single-sample noise
// neither makes nor splits a fall. For every smoothed point the largest fall
// into it from any point of the last window is known from a running maximum;
// the largest such fall of one descent is the candidate. The descent ends when
// the reading climbs back half a threshold above the candidate's peak (at the
// knob of its onset), when no
// lower point has come for a whole window, or at a body-motion alert; then the
// candidate is a reaction if it is large enough. A fall that overlaps a
// body-motion alert, or had not ended 200 ms before it, is never one: the
// alert clears everything seen so far, and no fall starts again until the
// reading has stopped falling after it.
// Onset and peak are then placed on the records themselves.
#pragma once

#include "SampleRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kv {

struct Reaction {
    std::int32_t onset = 0; // index into the records (0-based) of the highest reading
    std::int32_t peak = 0;  // index of the lowest reading
    double size = 0;        // smoothed raw units
    double divisions = 0;   // size on the dial at the knob of the onset
};

class ReactionFinder {
public:
    // A fall counts from minFallDivisions on (that size included), from onset
    // to peak within windowMs (that time included; below 20 reads as 20).
    ReactionFinder(const std::vector<SampleRecord>& records, double minFallDivisions,
                   std::int32_t windowMs);

    // Takes record `index` (called for 0, 1, 2, ... in turn). Returns the
    // reaction it completes, if any.
    std::optional<Reaction> add(std::int32_t index);
    // Ends the recording: takes the last readings and closes the open
    // candidate. Returns the reactions that completes.
    std::vector<Reaction> finish();

private:
    struct Point {
        std::int32_t index;
        std::int32_t timeMs;
        std::int64_t value; // mean reading in sixtieths of a raw unit
    };
    std::optional<Reaction> addPoint(const Point& p);
    std::optional<Reaction> close();
    double thresholdAt(std::int32_t index) const;
    double centredMean(std::int32_t index) const;
    void refine(Reaction& r) const;

    // Running maximum over the window: a ring of points with falling values.
    void pushMax(const Point& p);
    void growRing();
    void clearMax() { m_head = m_count = 0; }
    Point& maxAt(std::size_t i) { return m_ring[(m_head + i) & m_mask]; }

    const std::vector<SampleRecord>& m_records;
    std::int32_t m_windowMs;
    std::size_t knobAt(std::int32_t index) const;
    std::array<double, 64> m_thresholdByKnob{};
    // Half a threshold in sixtieths, rounded: the climb that ends a descent.
    std::array<std::int64_t, 64> m_recoveryByKnob{};

    std::array<std::uint16_t, 5> m_recent{};
    std::size_t m_recentSlot = 0;
    std::int32_t m_recentCount = 0;
    std::int64_t m_recentSum = 0;
    std::int32_t m_lastMiddle = -1;

    std::vector<Point> m_ring; // a power of two long
    std::size_t m_mask = 0, m_head = 0, m_count = 0;

    bool m_afterMotion = false;
    std::int64_t m_lastValue = 0;

    bool m_open = false;
    Reaction m_candidate;
    std::int64_t m_candidateFall = 0; // sixtieths, as the points
    std::int64_t m_peakValue = 0;
    std::int64_t m_recoveredAt = 0;
    std::int32_t m_peakTimeMs = 0;
};

} // namespace kv
