#include "ReviewTable.h"

#include "EventTable.h"

#include <algorithm>
#include <charconv>
#include <ostream>

namespace kv {
namespace {

bool listed(const ReviewMark& m, std::uint32_t kinds) {
    switch (m.kind) {
    case MarkKind::Note:
        return (kinds & kNoteKindBit) != 0;
    case MarkKind::Artifact:
        return (kinds & kArtifactKindBit) != 0;
    case MarkKind::Added:
        return (kinds >> static_cast<unsigned>(EventKind::Reaction)) & 1U;
    default:
        return false; // a review shows in the row of its reaction
    }
}

// "HH:MM:SS" as timeOfDayText writes it, without formatting through printf.
void appendTimeOfDay(std::string& out, std::int32_t clockStartSecs, std::int32_t timeMs) {
    const std::int64_t s = ((std::int64_t{clockStartSecs} + timeMs / 1000) % 86400 + 86400) % 86400;
    const int parts[3] = {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                          static_cast<int>(s % 60)};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) out += ':';
        out += static_cast<char>('0' + parts[i] / 10);
        out += static_cast<char>('0' + parts[i] % 10);
    }
}

} // namespace

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

void writeReviewedEventsCsv(const std::vector<RecordingEvent>& events,
                            const std::vector<SampleRecord>& records, const ReviewNotes& notes,
                            std::uint32_t kinds, std::ostream& out) {
    const auto clock = recordingClockStart(records);
    const auto count = static_cast<std::int32_t>(records.size());
    auto timeOf = [&](std::int32_t record) {
        return records[static_cast<std::size_t>(record - 1)].TimeMs;
    };
    // Rows gathered in one string: a long recording has tens of thousands.
    std::string csv = "record,time_ms,clock,kind,value,text,review\n";
    csv.reserve(csv.size() + (events.size() + notes.marks.size()) * 64);
    auto number = [&](std::int64_t v) {
        char buf[24];
        csv.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
        csv += ',';
    };
    auto start = [&](std::int32_t record, std::int32_t timeMs, const char* kind) {
        number(record);
        number(timeMs);
        if (clock) appendTimeOfDay(csv, *clock, timeMs);
        csv += ',';
        csv += kind;
        csv += ',';
    };
    auto markRow = [&](const ReviewMark& m) {
        const std::int32_t t = timeOf(m.record);
        const bool added = m.kind == MarkKind::Added;
        start(m.record, t, added ? "reaction" : markKindName(m.kind));
        number(added ? 0 : std::int64_t{timeOf(std::min(m.endRecord, count))} - t);
        csv += csvField(m.text);
        csv += added ? ",added\n" : ",\n";
    };
    // Both lists are in record order: the marks of a record follow its events.
    auto mark = notes.marks.begin();
    auto marksUpTo = [&](std::int32_t record) {
        for (; mark != notes.marks.end() && mark->record <= record; ++mark)
            if (mark->record >= 1 && mark->record <= count && listed(*mark, kinds)) markRow(*mark);
    };
    for (const RecordingEvent& e : events) {
        marksUpTo(e.record - 1);
        const auto review =
            e.kind == EventKind::Reaction ? reviewOf(notes, e.record) : std::nullopt;
        start(e.record, e.timeMs, eventKindName(e.kind));
        number(e.value);
        csv += e.text;
        csv += ',';
        if (review) csv += markKindName(*review);
        csv += '\n';
    }
    marksUpTo(count);
    out << csv;
}

void writeNotesCsv(const ReviewNotes& notes, const std::vector<SampleRecord>& records,
                   std::ostream& out) {
    const auto clock = recordingClockStart(records);
    const auto count = static_cast<std::int32_t>(records.size());
    out << "record,end_record,time_ms,end_time_ms,clock,kind,text\n";
    for (const ReviewMark& m : notes.marks) {
        if (m.record < 1 || m.endRecord > count) continue;
        const std::int32_t t = records[static_cast<std::size_t>(m.record - 1)].TimeMs;
        const std::int32_t end = records[static_cast<std::size_t>(m.endRecord - 1)].TimeMs;
        out << m.record << ',' << m.endRecord << ',' << t << ',' << end << ','
            << (clock ? timeOfDayText(*clock, t) : std::string()) << ',' << markKindName(m.kind)
            << ',' << csvField(m.text) << '\n';
    }
}

std::int32_t recordAtTime(const std::vector<SampleRecord>& records, std::int64_t timeMs) {
    const auto after =
        std::upper_bound(records.begin(), records.end(), timeMs,
                         [](std::int64_t t, const SampleRecord& r) { return t < r.TimeMs; });
    if (after == records.begin()) return records.empty() ? 0 : 1;
    return static_cast<std::int32_t>(after - records.begin());
}

} // namespace kv
