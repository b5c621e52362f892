#include "EventTable.h"

#include <cstdio>
#include <ostream>

namespace kv {

std::optional<std::uint32_t> parseEventKinds(const std::string& text, std::string& bad) {
    std::uint32_t kinds = 0;
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = text.find(',', from);
        const std::string name =
            text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        const auto kind = eventKindFromName(name);
        if (kind)
            kinds |= 1U << static_cast<unsigned>(*kind);
        else if (name == "note")
            kinds |= kNoteKindBit;
        else if (name == "artifact")
            kinds |= kArtifactKindBit;
        else {
            bad = name;
            return std::nullopt;
        }
        if (comma == std::string::npos) return kinds;
        from = comma + 1;
    }
}

std::string eventKindsText(std::uint32_t kinds) {
    std::string text;
    for (unsigned k = 0; k < 8; ++k) {
        if (!((kinds >> k) & 1U)) continue;
        if (!text.empty()) text += ',';
        text += k == 6 ? "note" : k == 7 ? "artifact" : eventKindName(static_cast<EventKind>(k));
    }
    return text;
}

std::optional<std::int32_t> recordingClockStart(const std::vector<SampleRecord>& records) {
    if (records.empty() || records.front().MarkType != 'C') return std::nullopt;
    return records.front().clockMarkSecs();
}

std::string timeOfDayText(std::int32_t clockStartSecs, std::int32_t timeMs) {
    const std::int64_t s = ((std::int64_t{clockStartSecs} + timeMs / 1000) % 86400 + 86400) % 86400;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return buf;
}

void writeEventsCsv(const std::vector<RecordingEvent>& events,
                    const std::vector<SampleRecord>& records, std::ostream& out) {
    const auto clock = recordingClockStart(records);
    out << "record,time_ms,clock,kind,value,text\n";
    for (const RecordingEvent& e : events) {
        out << e.record << ',' << e.timeMs << ','
            << (clock ? timeOfDayText(*clock, e.timeMs) : std::string()) << ','
            << eventKindName(e.kind) << ',' << e.value << ',' << e.text << '\n';
    }
}

} // namespace kv
