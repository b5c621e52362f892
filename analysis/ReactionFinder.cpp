#include "ReactionFinder.h"

#include "GainTable.h"
#include "Knob.h"
#include "RecordingEvents.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace kv {
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

double ReactionFinder::thresholdAt(std::int32_t index) const {
    return m_thresholdByKnob[knobAt(index)];
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
