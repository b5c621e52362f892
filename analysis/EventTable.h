// The event list as text: kind lists ("tag,set,..."), the time of day of a
// record, and the CSV table that `kvtool events` prints and the window's
// "Export Events…" writes.
#pragma once

#include "RecordingEvents.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kv {

inline constexpr std::uint32_t kAllEventKinds = 0x3F;
// The reviewer's marks listed with the events: notes and artifact ranges.
inline constexpr std::uint32_t kNoteKindBit = 1U << 6;
inline constexpr std::uint32_t kArtifactKindBit = 1U << 7;
inline constexpr std::uint32_t kAllListedKinds = kAllEventKinds | kNoteKindBit | kArtifactKindBit;

// "tag,set,...,note,artifact" to a set of kinds (bit i for EventKind i, then
// kNoteKindBit and kArtifactKindBit). On an unknown name it returns nothing
// and puts the name in `bad`.
std::optional<std::uint32_t> parseEventKinds(const std::string& text, std::string& bad);
std::string eventKindsText(std::uint32_t kinds);

// Whether the recording starts with a clock mark, and its time of day in seconds.
std::optional<std::int32_t> recordingClockStart(const std::vector<SampleRecord>& records);

// "HH:MM:SS": the time of day timeMs into a recording whose clock started at clockStartSecs.
std::string timeOfDayText(std::int32_t clockStartSecs, std::int32_t timeMs);

// The CSV: header "record,time_ms,clock,kind,value,text", one line per event.
void writeEventsCsv(const std::vector<RecordingEvent>& events,
                    const std::vector<SampleRecord>& records, std::ostream& out);

} // namespace kv
