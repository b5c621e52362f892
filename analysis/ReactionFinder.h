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

#include <algorithm>
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
    // A fall counts as ended when no lower reading has come for this long.
    static constexpr std::int32_t kSettledMs = 200;
    // Smoothed readings are held in sixtieths of a raw unit.
    static constexpr std::int64_t kUnit = 60;

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

// The work of every record, here so that a caller's loop over the records
// is compiled as one piece with it.

inline std::size_t ReactionFinder::knobAt(std::int32_t index) const {
    return std::min<std::size_t>(m_records[static_cast<std::size_t>(index)].SensIndex, 63);
}

// The work of every record, in one piece with add().
[[gnu::always_inline]] inline std::optional<Reaction> ReactionFinder::addPoint(const Point& p) {
    if (m_records[static_cast<std::size_t>(p.index)].lamp() == LampState::BodyMotion) {
        // A fall that had ended before the alert still counts; one still
        // going on when it starts does not, nor does anything across it.
        std::optional<Reaction> done;
        if (m_open && p.timeMs - m_peakTimeMs >= kSettledMs) done = close();
        m_open = false;
        clearMax();
        m_afterMotion = true;
        m_lastValue = p.value;
        return done;
    }
    if (m_afterMotion) {
        // A fall still going on after the alert belongs to it: no onset
        // until the reading stops falling.
        const bool falling = p.value < m_lastValue;
        m_lastValue = p.value;
        if (falling) return std::nullopt;
        m_afterMotion = false;
    }
    std::optional<Reaction> done;
    if (m_open && (p.value >= m_recoveredAt || p.timeMs - m_peakTimeMs > m_windowMs))
        done = close();

    pushMax(p);
    const Point& top = maxAt(0);
    const std::int64_t fall = top.value - p.value;
    if (fall > 0 && (!m_open || fall > m_candidateFall)) {
        m_open = true;
        m_candidate.onset = top.index;
        m_candidate.peak = p.index;
        m_candidateFall = fall;
        m_peakValue = p.value;
        m_peakTimeMs = p.timeMs;
        // Climbing back half a threshold (at the onset's knob) ends the descent.
        m_recoveredAt = p.value + m_recoveryByKnob[knobAt(top.index)];
    }
    return done;
}

[[gnu::always_inline]] inline void ReactionFinder::pushMax(const Point& p) {
    while (m_count > 0 && maxAt(m_count - 1).value <= p.value)
        --m_count;
    while (m_count > 0 && maxAt(0).timeMs < p.timeMs - m_windowMs) {
        m_head = (m_head + 1) & m_mask;
        --m_count;
    }
    if (m_count > m_mask) growRing(); // full
    maxAt(m_count) = p;
    ++m_count;
}

inline std::optional<Reaction> ReactionFinder::add(std::int32_t index) {
    // Trailing mean of up to five readings, placed at the middle one.
    const std::size_t slot = m_recentSlot;
    m_recentSlot = m_recentSlot == 4 ? 0 : m_recentSlot + 1;
    if (m_recentCount == 5)
        m_recentSum -= m_recent[slot];
    else
        ++m_recentCount;
    m_recent[slot] = m_records[static_cast<std::size_t>(index)].RawReading;
    m_recentSum += m_recent[slot];
    const std::int32_t middle = index - (m_recentCount - 1) / 2;
    // Means are kept exact as whole sixtieths (60 is a multiple of 1 to 5):
    // whole-number work, and no division per record.
    static constexpr std::array<std::int64_t, 6> kScale{0,         kUnit,     kUnit / 2,
                                                        kUnit / 3, kUnit / 4, kUnit / 5};
    const Point p{middle, m_records[static_cast<std::size_t>(middle)].TimeMs,
                  m_recentSum * kScale[static_cast<std::size_t>(m_recentCount)]};
    m_lastMiddle = middle;
    return addPoint(p);
}

} // namespace kv
