#include "ReactionFinder.h"

#include "GainTable.h"
#include "Knob.h"
#include "RecordingEvents.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace kv {
namespace {

// A fall counts as ended when no lower reading has come for this long.
constexpr std::int32_t kSettledMs = 200;
// Smoothed readings are held in sixtieths of a raw unit.
constexpr std::int64_t kUnit = 60;

} // namespace

ReactionFinder::ReactionFinder(const std::vector<SampleRecord>& records, double minFallDivisions,
                               std::int32_t windowMs)
    : m_records(records), m_windowMs(std::max(20, windowMs)),
      m_ring(std::bit_ceil(static_cast<std::size_t>(m_windowMs / 20 + 8))),
      m_mask(m_ring.size() - 1) {
    for (int k = 0; k < kKnobPositions; ++k) {
        const auto i = static_cast<std::size_t>(k);
        m_thresholdByKnob[i] = rawUnitsForDivisions(minFallDivisions, k);
        m_recoveryByKnob[i] = std::llround(m_thresholdByKnob[i] * kUnit / 2);
    }
}

std::size_t ReactionFinder::knobAt(std::int32_t index) const {
    return std::min<std::size_t>(m_records[static_cast<std::size_t>(index)].SensIndex, 63);
}

double ReactionFinder::thresholdAt(std::int32_t index) const {
    return m_thresholdByKnob[knobAt(index)];
}

std::optional<Reaction> ReactionFinder::add(std::int32_t index) {
    // Trailing mean of up to five readings, placed at the middle one.
    const std::size_t slot = m_recentSlot;
    m_recentSlot = m_recentSlot == 4 ? 0 : m_recentSlot + 1;
    if (m_recentCount == 5) m_recentSum -= m_recent[slot];
    else ++m_recentCount;
    m_recent[slot] = m_records[static_cast<std::size_t>(index)].RawReading;
    m_recentSum += m_recent[slot];
    const std::int32_t middle = index - (m_recentCount - 1) / 2;
    // Means are kept exact as whole sixtieths (60 is a multiple of 1 to 5):
    // whole-number work, and no division per record.
    static constexpr std::array<std::int64_t, 6> kScale{0, kUnit, kUnit / 2, kUnit / 3, kUnit / 4,
                                                        kUnit / 5};
    const Point p{middle, m_records[static_cast<std::size_t>(middle)].TimeMs,
                  m_recentSum * kScale[static_cast<std::size_t>(m_recentCount)]};
    m_lastMiddle = middle;
    return addPoint(p);
}

// Inlined into add(): the work of every record, in one piece.
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

std::optional<Reaction> ReactionFinder::close() {
    m_open = false;
    m_candidate.size = static_cast<double>(m_candidateFall) / kUnit;
    const double threshold = thresholdAt(m_candidate.onset);
    if (m_candidate.size + 1e-9 < threshold) return std::nullopt;
    // Later falls start after this one's peak.
    clearMax();
    Reaction r = m_candidate;
    refine(r);
    const int knob = m_records[static_cast<std::size_t>(r.onset)].SensIndex;
    r.divisions = r.size * gainMultiplier(clampKnobIndex(knob)) / kDeflectionPerDivision;
    return r;
}

double ReactionFinder::centredMean(std::int32_t index) const {
    const auto last = static_cast<std::int32_t>(m_records.size()) - 1;
    const std::int32_t from = std::max(0, index - 2), to = std::min(last, index + 2);
    double sum = 0;
    for (std::int32_t k = from; k <= to; ++k)
        sum += m_records[static_cast<std::size_t>(k)].RawReading;
    return sum / (to - from + 1);
}

void ReactionFinder::refine(Reaction& r) const {
    // On a drifting or noisy reading the highest point of the window can lie
    // well before the fall itself. The onset is where the steep part of the
    // fall, drawn through its quarter and three-quarter points, meets the
    // starting level.
    const double top = static_cast<double>(m_peakValue) / kUnit + r.size;
    std::int32_t threeQuarters = r.peak;
    while (threeQuarters > r.onset && centredMean(threeQuarters) < top - 0.75 * r.size)
        --threeQuarters;
    std::int32_t quarter = threeQuarters;
    while (quarter > r.onset && centredMean(quarter) < top - 0.25 * r.size)
        --quarter;
    const std::int32_t onset =
        std::max(r.onset, quarter - (threeQuarters - quarter) / 2);
    // Then the records themselves: the last highest reading just before
    // that, and the first lowest reading about the peak.
    const auto last = static_cast<std::int32_t>(m_records.size()) - 1;
    const auto raw = [this](std::int32_t k) { return m_records[static_cast<std::size_t>(k)].RawReading; };
    std::int32_t high = onset;
    for (std::int32_t k = std::max(0, onset - 4); k <= onset; ++k)
        if (raw(k) >= raw(high)) high = k;
    std::int32_t low = r.peak;
    for (std::int32_t k = std::min(last, r.peak + 2); k >= std::max(high, r.peak - 2); --k)
        if (raw(k) <= raw(low)) low = k;
    const auto time = [this](std::int32_t k) { return m_records[static_cast<std::size_t>(k)].TimeMs; };
    // Never wider than the window.
    if (time(low) - time(high) > m_windowMs) high = onset, low = r.peak;
    r.onset = high;
    r.peak = low;
}

std::vector<Reaction> ReactionFinder::finish() {
    // The last readings, each the middle of a shorter mean, so that a fall
    // into the last record is seen whole.
    std::vector<Reaction> done;
    const auto last = static_cast<std::int32_t>(m_records.size()) - 1;
    for (std::int32_t middle = m_lastMiddle + 1; middle <= last; ++middle) {
        const std::int32_t from = middle - (last - middle);
        std::int64_t sum = 0;
        for (std::int32_t k = from; k <= last; ++k)
            sum += m_records[static_cast<std::size_t>(k)].RawReading;
        const Point p{middle, m_records[static_cast<std::size_t>(middle)].TimeMs,
                      sum * kUnit / (last - from + 1)};
        if (const auto r = addPoint(p)) done.push_back(*r);
    }
    if (m_open)
        if (const auto r = close()) done.push_back(*r);
    return done;
}

[[gnu::always_inline]] inline void ReactionFinder::pushMax(const Point& p) {
    while (m_count > 0 && maxAt(m_count - 1).value <= p.value)
        --m_count;
    while (m_count > 0 && maxAt(0).timeMs < p.timeMs - m_windowMs) {
        m_head = (m_head + 1) & m_mask;
        --m_count;
    }
    if (m_count == m_ring.size()) growRing();
    maxAt(m_count) = p;
    ++m_count;
}

void ReactionFinder::growRing() {
    // Records closer than 20 ms apart: grow the ring, keeping the order.
    std::vector<Point> bigger(m_ring.size() * 2);
    for (std::size_t i = 0; i < m_count; ++i)
        bigger[i] = maxAt(i);
    m_ring.swap(bigger);
    m_mask = m_ring.size() - 1;
    m_head = 0;
}

} // namespace kv
