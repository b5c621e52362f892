#include "RecordingSummary.h"

#include "KvdFile.h"
#include "PairFiles.h"
#include "ReactionFinder.h"
#include "RecordingEvents.h"
#include "RecordingFile.h"
#include "SafeFile.h"
#include "SegmentEditor.h"
#include "SoundFile.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

namespace kv {
namespace {

std::int64_t fileSize(const std::string& path, bool& regular) {
    struct stat st {};
    regular = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    return regular ? static_cast<std::int64_t>(st.st_size) : -1;
}

// A CSV field: quoted when it holds a comma, a quote or a line break.
void appendField(std::string& row, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        row += text;
        return;
    }
    row += '"';
    for (char c : text) {
        if (c == '"') row += '"';
        row += c;
    }
    row += '"';
}

void appendNumber(std::string& row, const std::optional<std::int64_t>& v) {
    if (v) row += std::to_string(*v);
}

std::string secondsText(double secs) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", secs);
    return buf;
}

} // namespace

std::string timeOfDayText(std::int64_t secs) {
    secs = ((secs % 86400) + 86400) % 86400;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(secs / 3600),
                  static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
    return buf;
}

std::string dayNumberText(std::int32_t day) {
    const auto d = dateFromDayNumber(day);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
    return buf;
}

std::optional<std::int32_t> clockMarkOf(const std::vector<SampleRecord>& records) {
    if (records.empty() || records[0].MarkType != 'C') return std::nullopt;
    return records[0].clockMarkSecs();
}

std::optional<std::int32_t> dayMarkOf(const std::vector<SampleRecord>& records) {
    if (records.size() < 2 || records[1].MarkType != 'D') return std::nullopt;
    return records[1].dayMarkNumber();
}

namespace {

// The figures of summariseRecords; timeBack, when given, gets the first
// record (0-based) whose time is before its predecessor's, found in the same pass.
RecordingSummary figuresOf(const std::vector<SampleRecord>& records,
                           std::optional<std::int32_t> clockStartSecs,
                           std::optional<std::int32_t> dayNumber,
                           std::optional<std::size_t>* timeBack) {
    RecordingSummary s;
    if (clockStartSecs) s.clockStart = timeOfDayText(*clockStartSecs);
    if (dayNumber) s.date = dayNumberText(*dayNumber);
    s.records = static_cast<std::int64_t>(records.size());
    if (records.empty()) return s;
    s.durationMs = records.back().TimeMs;

    // One pass that counts what the event search would list, without making
    // the events: a tag per tag mark, a SET or body-motion run per first
    // record of a run of that lamp, the reactions the finder completes.
    const EventOptions options;
    ReactionFinder finder(records, options.minFallDivisions, options.windowMs);
    std::int64_t tags = 0, sets = 0, motions = 0, reactions = 0;
    // Base codes 2k and 2k+1 show the same text: compare the shown values.
    std::uint8_t lo = records.front().BaseCode, hi = lo;
    LampState previous = LampState::Off;
    std::int32_t lastTime = records.front().TimeMs;
    std::int32_t firstBack = -1;
    const auto count = static_cast<std::int32_t>(records.size());
    for (std::int32_t i = 0; i < count; ++i) {
        const SampleRecord& r = records[static_cast<std::size_t>(i)];
        if (r.TimeMs < lastTime && firstBack < 0) firstBack = i;
        lastTime = r.TimeMs;
        tags += r.MarkType == 'T';
        const LampState lamp = r.lamp();
        if (lamp != previous) {
            sets += lamp == LampState::Set;
            motions += lamp == LampState::BodyMotion;
        }
        previous = lamp;
        if (r.BaseCode / 2 < lo / 2) lo = r.BaseCode;
        if (r.BaseCode / 2 > hi / 2) hi = r.BaseCode;
        if (finder.add(i)) ++reactions;
    }
    reactions += static_cast<std::int64_t>(finder.finish().size());
    if (timeBack && firstBack >= 0) *timeBack = static_cast<std::size_t>(firstBack);
    s.tags = tags, s.sets = sets, s.motions = motions, s.reactions = reactions;

    s.baseFirst = baseTextOf(records.front().BaseCode);
    s.baseLast = baseTextOf(records.back().BaseCode);
    s.baseMin = baseTextOf(lo);
    s.baseMax = baseTextOf(hi);
    s.counterLast = Format_BdText(records.back().BdCount);
    return s;
}

} // namespace

RecordingSummary summariseRecords(const std::vector<SampleRecord>& records,
                                  std::optional<std::int32_t> clockStartSecs,
                                  std::optional<std::int32_t> dayNumber) {
    return figuresOf(records, clockStartSecs, dayNumber, nullptr);
}

SoundInfo findSound(const std::string& basePath) {
    SoundInfo info;
    bool regular = false;
    struct stat st {};
    // The loader takes the .wav unless it is missing or empty, then the .mp3.
    const std::string wav = pairFile(basePath, ".wav"), mp3 = pairFile(basePath, ".mp3");
    if (fileSize(wav, regular) > 0) {
        info.kind = "wav";
        info.path = wav;
    } else if (::lstat(mp3.c_str(), &st) == 0) {
        info.kind = "mp3";
        info.path = mp3;
    } else {
        return info;
    }
    const std::string why = unreadableReason(info.path);
    if (!why.empty()) {
        info.problem = why;
        return info;
    }
    std::string error;
    const auto sound = SoundFile::open(info.path, &error);
    if (!sound) {
        info.problem = error;
        return info;
    }
    info.lengthMs = sound->frames() * 1000 / sound->sampleRate();
    return info;
}

RecordingSummary summariseFile(const std::string& path) {
    RecordingSummary s;
    s.file = path;
    const auto fail = [&](const std::string& word, const std::string& reason) {
        s.status = word + ": " + reason;
        return s;
    };
    if (const std::string why = unreadableReason(path); !why.empty())
        return fail("unreadable", why);
    if (const std::string why = interruptedSaveProblem(pairBaseOf(path)); !why.empty())
        return fail("interrupted", why);
    const KvdEnds ends = readKvdEnds(path);
    if (ends.error) return fail("unreadable", ends.error->description);
    if (!Verify_kvd_Format(ends.head.data(), ends.head.size())) {
        s.records = ends.records;
        s.formatFailed = true;
        return fail("format", ends.records < 5 ? "fewer than 5 records"
                                               : "the first records fail the format check");
    }
    KvdReadResult read = readKvdFile(path);
    if (read.error) return fail("unreadable", read.error->description);

    const std::vector<SampleRecord>& records = read.records;
    std::optional<std::size_t> timeBack;
    RecordingSummary figures =
        figuresOf(records, clockMarkOf(records), dayMarkOf(records), &timeBack);
    figures.file = path;
    s = std::move(figures);

    judgeSound(s, findSound(pairBaseOf(path)));
    addReviewFigures(s, path, records, 1, static_cast<std::int32_t>(records.size()));
    // Playback and the position bar need ascending times; say where they are not.
    if (timeBack)
        return fail("times", "the time goes back at record " + std::to_string(*timeBack + 1));
    return s;
}

void judgeSound(RecordingSummary& s, const SoundInfo& sound) {
    s.audio = sound.kind;
    s.audioMs = sound.lengthMs;
    if (sound.kind.empty())
        s.status = "nosound: no .wav or .mp3 beside it";
    else if (!sound.lengthMs)
        s.status = "badsound: " + sound.problem;
    else if (const std::int64_t missing = s.durationMs.value_or(0) - *sound.lengthMs;
             missing > 1000)
        s.status =
            "shortsound: the sound ends " + secondsText(missing / 1000.0) + " before the data";
    else
        s.status = "ok";
}

const char* summaryCsvHeader() {
    return "file,date,clock_start,duration_ms,records,audio,audio_ms,tags,sets,motions,reactions,"
           "base_first,base_last,base_min,base_max,counter_last,status,notes,reactions_confirmed,"
           "reactions_rejected,artifact_ms";
}

std::string summaryCsvRow(const RecordingSummary& s) {
    std::string row;
    appendField(row, s.file);
    for (const std::string* t : {&s.date, &s.clockStart}) {
        row += ',';
        row += *t;
    }
    for (const auto* v : {&s.durationMs, &s.records}) {
        row += ',';
        appendNumber(row, *v);
    }
    row += ',';
    row += s.audio;
    for (const auto* v : {&s.audioMs, &s.tags, &s.sets, &s.motions, &s.reactions}) {
        row += ',';
        appendNumber(row, *v);
    }
    for (const std::string* t :
         {&s.baseFirst, &s.baseLast, &s.baseMin, &s.baseMax, &s.counterLast}) {
        row += ',';
        row += *t;
    }
    row += ',';
    appendField(row, s.status);
    for (const auto* v : {&s.notes, &s.reactionsConfirmed, &s.reactionsRejected, &s.artifactMs}) {
        row += ',';
        appendNumber(row, *v);
    }
    row += '\n';
    return row;
}

} // namespace kv
