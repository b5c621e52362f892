#include "RecordingEvents.h"

#include "GainTable.h"
#include "Knob.h"
#include "ReactionFinder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kv {
namespace {

constexpr const char* kKindNames[] = {"tag", "set", "motion", "base", "counter", "reaction"};

// Base in hundredths from its code: (code \ 2 + 8) / 20.
int baseHundredths(std::uint8_t code) { return (code / 2 + 8) * 5; }

std::string secondsText(std::int32_t ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", ms / 1000.0);
    return buf;
}

// Lamp runs (SET, body motion): the first record of each run, its end
// filled in when the run stops.
class LampRuns {
public:
    LampRuns(LampState lamp, EventKind kind) : m_lamp(lamp), m_kind(kind) {}
    void add(std::vector<RecordingEvent>& events, std::int32_t index, const SampleRecord& r) {
        if (r.lamp() == m_lamp) {
            if (!m_open) {
                m_open = true;
                m_event = events.size();
                RecordingEvent e;
                e.record = index + 1;
                e.timeMs = r.TimeMs;
                e.kind = m_kind;
                events.push_back(e);
            }
            RecordingEvent& e = events[m_event];
            e.endRecord = index + 1;
            e.endTimeMs = r.TimeMs;
        } else if (m_open) {
            close(events);
        }
    }
    void close(std::vector<RecordingEvent>& events) {
        if (!m_open) return;
        m_open = false;
        RecordingEvent& e = events[m_event];
        e.value = e.endTimeMs - e.timeMs;
        e.text = m_kind == EventKind::Set ? "SET" : "body motion " + secondsText(static_cast<std::int32_t>(e.value));
    }

private:
    LampState m_lamp;
    EventKind m_kind;
    bool m_open = false;
    std::size_t m_event = 0;
};

} // namespace

const char* eventKindName(EventKind kind) { return kKindNames[static_cast<int>(kind)]; }

std::optional<EventKind> eventKindFromName(const std::string& name) {
    for (int k = 0; k < 6; ++k)
        if (name == kKindNames[k]) return static_cast<EventKind>(k);
    return std::nullopt;
}

double rawUnitsForDivisions(double divisions, int knobIndex) {
    return divisions * kDeflectionPerDivision / gainMultiplier(clampKnobIndex(knobIndex));
}

std::vector<RecordingEvent> findEvents(const std::vector<SampleRecord>& records,
                                       const EventOptions& o) {
    std::vector<RecordingEvent> events;
    const auto count = static_cast<std::int32_t>(records.size());
    if (count == 0) return events;

    const auto simple = [&](std::int32_t i, EventKind kind, std::int64_t value, std::string text) {
        const SampleRecord& r = records[static_cast<std::size_t>(i)];
        events.push_back({i + 1, r.TimeMs, kind, value, std::move(text), i + 1, r.TimeMs});
    };
    const auto addReaction = [&](const Reaction& re) {
        const SampleRecord& on = records[static_cast<std::size_t>(re.onset)];
        const SampleRecord& pk = records[static_cast<std::size_t>(re.peak)];
        char buf[64];
        std::snprintf(buf, sizeof buf, "fall %.1f div in %.2f s", re.divisions,
                      (pk.TimeMs - on.TimeMs) / 1000.0);
        events.push_back({re.onset + 1, on.TimeMs, EventKind::Reaction, std::llround(re.size), buf,
                          re.peak + 1, pk.TimeMs});
    };

    LampRuns sets(LampState::Set, EventKind::Set), motions(LampState::BodyMotion, EventKind::Motion);
    ReactionFinder reactions(records, o.minFallDivisions, o.windowMs);
    const bool wantTag = o.wants(EventKind::Tag), wantSet = o.wants(EventKind::Set),
               wantMotion = o.wants(EventKind::Motion), wantBase = o.wants(EventKind::Base),
               wantCounter = o.wants(EventKind::Counter),
               wantReaction = o.wants(EventKind::Reaction);
    const int baseStep = std::max(1, static_cast<int>(std::lround(o.baseStep * 100)));
    int lastBase = baseHundredths(records.front().BaseCode);
    std::int16_t lastCounter = records.front().BdCount;

    for (std::int32_t i = 0; i < count; ++i) {
        const SampleRecord& r = records[static_cast<std::size_t>(i)];
        if (wantTag && r.MarkType == 'T')
            simple(i, EventKind::Tag, r.tagMarkNumber(), "tag " + std::to_string(r.tagMarkNumber()));
        if (wantSet) sets.add(events, i, r);
        if (wantMotion) motions.add(events, i, r);
        if (wantBase) {
            const int base = baseHundredths(r.BaseCode);
            if (std::abs(base - lastBase) >= baseStep) {
                char buf[32];
                std::snprintf(buf, sizeof buf, " (%+.2f)", (base - lastBase) / 100.0);
                simple(i, EventKind::Base, base, "Base " + Format_BaseText(r.BaseCode) + buf);
                lastBase = base;
            }
        }
        if (wantCounter && r.BdCount != lastCounter) {
            simple(i, EventKind::Counter, r.BdCount, "counter " + Format_BdText(r.BdCount));
            lastCounter = r.BdCount;
        }
        if (wantReaction)
            if (const auto re = reactions.add(i)) addReaction(*re);
    }
    sets.close(events);
    motions.close(events);
    if (wantReaction)
        for (const Reaction& re : reactions.finish())
            addReaction(re);

    std::stable_sort(events.begin(), events.end(), [](const RecordingEvent& a, const RecordingEvent& b) {
        return a.record != b.record ? a.record < b.record : a.kind < b.kind;
    });
    return events;
}

} // namespace kv
