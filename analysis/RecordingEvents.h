// The events of a recording, found in one pass over its records: tags, SET
// presses, body-motion alerts, Base changes, counter steps and reactions
// (quick falls of the raw reading). Each event names the record it starts
// at; runs and reactions also name the record they end at.
#pragma once

#include "SampleRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv {

enum class EventKind : std::uint8_t { Tag, Set, Motion, Base, Counter, Reaction };

// "tag", "set", "motion", "base", "counter", "reaction".
const char* eventKindName(EventKind kind);
std::optional<EventKind> eventKindFromName(const std::string& name);

struct RecordingEvent {
    std::int32_t record = 0; // 1-based record number where the event starts
    std::int32_t timeMs = 0; // that record's TimeMs
    EventKind kind = EventKind::Tag;
    // Tag: tag number. Set, Motion: length of the run in ms. Base: the new
    // Base in hundredths. Counter: the recorded counter in tenths.
    // Reaction: the size of the fall in raw units.
    std::int64_t value = 0;
    std::string text;
    // Set, Motion: last record of the run. Reaction: the record of the
    // lowest reading (the peak of the reaction). Others: same as record.
    std::int32_t endRecord = 0;
    std::int32_t endTimeMs = 0;

    bool operator==(const RecordingEvent&) const = default;
};

// One dial division in deflection units: the sector scale spans 110 degrees
// in 40 divisions, and a full turn is 65536 units.
inline constexpr double kDeflectionPerDivision = 65536.0 * (1.9198606 / 40.0) / 6.28318;

struct EventOptions {
    // Kinds to report (bit i for EventKind i); all by default.
    std::uint32_t kinds = 0x3F;
    // A Base change is reported once the Base has moved this far or farther
    // (in Base units, rounded to hundredths with halves away from zero, at
    // least 0.01) from the last reported value.
    double baseStep = 0.25;
    // A reaction is a fall of the raw reading of at least this many dial
    // divisions at the recorded knob (a fall of exactly this size counts) ...
    double minFallDivisions = 1.0;
    // ... from onset to peak within at most this many milliseconds (exactly
    // this long counts; below 20 reads as 20).
    std::int32_t windowMs = 3000;

    bool wants(EventKind k) const { return (kinds >> static_cast<unsigned>(k)) & 1U; }
};

// The raw fall that moves the needle `divisions` dial divisions at a knob
// (clamped to 0..63), not rounded: divisions x kDeflectionPerDivision / the
// knob's whole-number multiplier.
double rawUnitsForDivisions(double divisions, int knobIndex);

// All events, ordered by record (events of one record in kind order).
std::vector<RecordingEvent> findEvents(const std::vector<SampleRecord>& records,
                                       const EventOptions& options = {});

} // namespace kv
