#include "KvToolLean.h"

#include "AudioChannel.h"
#include "CommandLine.h"
#include "CsvWriter.h"
#include "GainTable.h"
#include "KvToolEvents.h"
#include "KvToolRecompute.h"
#include "KvToolSummary.h"
#include "KvdFile.h"
#include "PairFiles.h"
#include "PlayTime.h"
#include "RecordingLoader.h"
#include "SafeFile.h"
#include "SegmentEditor.h"
#include "SoundChannel.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <ostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitFormat = 2;

const char* const kUsage =
    "usage: kvtool info FILE.kvd\n"
    "       kvtool export FILE.kvd [-o OUT.csv]\n"
    "       kvtool channel            (audio commands from standard input)\n"
    "       kvtool cut FILE.kvd --from SECONDS --to SECONDS -o OUT.kvd\n"
    "       kvtool recompute FILE.kvd [--dial 0..3] [--knob 0..63] [--bm 1..3] [--freeze on|off]\n"
    "                 [--needle-bd on|off] [--counter on|off] [-o OUT.csv]\n"
    "       kvtool render FILE.kvd (--record N | --at SECONDS) -o OUT.png [--width W] [--graph]\n"
    "                 [--override ...] [--scale 0|1] [--clock 0..3] [--date 0..2] [--clock-left]\n"
    "       kvtool render FILE.kvd --overview -o OUT.png [--width W] [--from SECONDS --to "
    "SECONDS]\n"
    "       kvtool events FILE.kvd [--kinds KIND,...] [--min-fall DIVISIONS] [--window SECONDS]\n"
    "                 [-o OUT.csv]\n"
    "       kvtool summary PATH... [-o OUT.csv] [--jobs N]\n"
    "       kvtool report FILE.kvd -o OUT.pdf|OUT.png [--from SECONDS --to SECONDS]\n";

// What `kvtool COMMAND --help` prints, and whether the command needs Qt or the
// sound device, which only kvtool-full has.
struct CommandHelp {
    const char* name;
    const char* text;
    bool full = false;
};

const CommandHelp kCommandHelp[] = {
    {"info", "usage: kvtool info FILE.kvd\n"
             "\n"
             "Prints the number of records, the total time, the skip step, the clock start,\n"
             "the date and the kind of audio found beside the file, one \"key: value\" a line.\n"},
    {"export", "usage: kvtool export FILE.kvd [-o OUT.csv]\n"
               "\n"
               "Writes every record as one CSV row, with a header line.\n"
               "\n"
               "  -o OUT.csv   write to OUT.csv instead of standard output\n"},
    {"channel",
     "usage: kvtool channel\n"
     "\n"
     "Reads audio-channel commands from standard input, one a line, and prints each\n"
     "reply as \"CODE<tab>TEXT\". A line \"sleep MS\" waits MS milliseconds (a whole\n"
     "number up to 86400000, a day); any other sleep is answered with code 273.\n",
     true},
    {"cut", "usage: kvtool cut FILE.kvd --from SECONDS --to SECONDS -o OUT.kvd\n"
            "\n"
            "Saves the whole records between the two times, with their sound, as a new pair\n"
            "OUT.kvd and OUT.wav.\n"
            "\n"
            "  --from SECONDS   start of the segment\n"
            "  --to SECONDS     end of the segment\n"
            "  -o OUT.kvd       the new recording (not the one being cut)\n"},
    {"recompute",
     "usage: kvtool recompute FILE.kvd [OPTIONS] [-o OUT.csv]\n"
     "\n"
     "Runs the meter with your own settings over every record, as the Override box\n"
     "does, and writes one CSV row per record.\n"
     "\n"
     "  --dial 0..3          dial style: 0 Circular 1, 1 Traditional,\n"
     "                       2 Traditional Continuous, 3 Circular 2 (default 1)\n"
     "  --knob 0..63         sensitivity knob position (default 8)\n"
     "  --bm 1..3            body-motion detector: 1 Fine, 2 Medium, 3 Coarse (default 2)\n"
     "  --freeze on|off      body-motion freeze (default off)\n"
     "  --needle-bd on|off   needle BD counter on the Traditional dial (default off)\n"
     "  --counter on|off     BD counter counting (default on)\n"
     "  -o OUT.csv           write to OUT.csv instead of standard output\n"},
    {"render",
     "usage: kvtool render FILE.kvd (--record N | --at SECONDS) -o OUT.png [OPTIONS]\n"
     "\n"
     "Draws the front panel as it stands at one record and saves it as PNG.\n"
     "\n"
     "  --record N       the record to show (1 is the first)\n"
     "  --at SECONDS     the last record at or before this time\n"
     "  -o OUT.png       the picture to write (a name ending .png, or without extension)\n"
     "  --width W        width in pixels, 650..3840 (default 1000)\n"
     "  --graph          add the graph under the panel\n"
     "  --override       recompute with the options of kvtool recompute\n"
     "                   (--dial, --knob, --bm, --freeze, --needle-bd, --counter)\n"
     "  --scale 0|1      scale: 0 Traditional, 1 Simple\n"
     "  --clock 0..3     clock: 0 None, 1 Analog, 2 12 Hour, 3 24 Hour\n"
     "  --date 0..2      date: 0 Hide, 1 Short, 2 Long\n"
     "  --clock-left     the clock on the left\n"
     "\n"
     "usage: kvtool render FILE.kvd --overview -o OUT.png [--width W]\n"
     "                     [--from SECONDS] [--to SECONDS]\n"
     "\n"
     "Draws the whole recording, or the part between the two times, as one strip:\n"
     "the recorded needle's range in each pixel column, the Base, tags, reactions,\n"
     "body-motion alerts and a time axis (width 200..3840, default 1000).\n",
     true},
    {"events",
     "usage: kvtool events FILE.kvd [--kinds KIND,...] [--min-fall DIVISIONS] [--window SECONDS]\n"
     "                     [-o OUT.csv]\n"
     "\n"
     "Lists the events of a recording as CSV, one row per event, in record order:\n"
     "record,time_ms,clock,kind,value,text (clock is the time of day when the recording\n"
     "has a clock mark).\n"
     "\n"
     "Kinds and their value:\n"
     "  tag        a tag mark; the tag number\n"
     "  set        the SET lamp lights; how long it stays lit, in ms\n"
     "  motion     a body-motion alert; how long it lasts, in ms\n"
     "  base       the Base has moved 0.25 or more; the new Base in hundredths\n"
     "  counter    the recorded counter steps; the counter in tenths\n"
     "  reaction   the raw reading falls quickly (the needle moves right); the fall\n"
     "             in raw units, onset to peak (the text gives divisions and time)\n"
     "\n"
     "  --kinds KIND,...        only these kinds (default all)\n"
     "  --min-fall DIVISIONS    smallest reaction, in dial divisions at the recorded\n"
     "                          knob (default 1)\n"
     "  --window SECONDS        longest time from onset to peak (default 3)\n"
     "  -o OUT.csv              write to OUT.csv instead of standard output\n"},
    {"summary",
     "usage: kvtool summary PATH... [-o OUT.csv] [--jobs N]\n"
     "\n"
     "Summarises recordings as CSV, one row per .kvd file, sorted by path. A PATH is a\n"
     ".kvd file or a folder, searched with its subfolders. The columns:\n"
     "file,date,clock_start,duration_ms,records,audio,audio_ms,tags,sets,motions,\n"
     "reactions,base_first,base_last,base_min,base_max,counter_last,status\n"
     "\n"
     "The Base and counter columns are the panel's texts; audio_ms is the length of\n"
     "the sound. status is ok, or a word and the reason: unreadable, format (fails\n"
     "the format check), times (the time goes back), nosound, badsound (the sound\n"
     "cannot be read), shortsound (more than 1 s shorter than the data).\n"
     "Exit status 1 when a row is not ok, 2 when every file fails the format check.\n"
     "\n"
     "  -o OUT.csv   write to OUT.csv instead of standard output\n"
     "  --jobs N     recordings read at once (default: the number of cores)\n"},
    {"report",
     "usage: kvtool report FILE.kvd -o OUT.pdf|OUT.png [--from SECONDS --to SECONDS]\n"
     "\n"
     "Writes the report of a recording on A4 pages: the file, date, time of day,\n"
     "duration and sound, the summary figures, the session overview, the Base over\n"
     "time and the table of events. A PDF holds every page; a PNG the first.\n"
     "\n"
     "  -o OUT.pdf|OUT.png   the report to write\n"
     "  --from SECONDS       start of the range reported (default the start)\n"
     "  --to SECONDS         end of the range reported (default the end)\n",
     true},
};

const char* const kOverview =
    "usage: kvtool COMMAND [ARGUMENTS]\n"
    "       kvtool COMMAND --help\n"
    "       kvtool --help | --version\n"
    "\n"
    "Works on kv Player recordings: FILE.kvd with its FILE.wav or FILE.mp3.\n"
    "\n"
    "Commands:\n"
    "  info       records, times, clock, date and audio of a recording\n"
    "  export     every record as CSV\n"
    "  cut        save a segment as a new pair\n"
    "  recompute  the meter with your own settings over every record, as CSV\n"
    "  render     the front panel at one record, or the session overview, as PNG\n"
    "  events     tags, SET, body motion, Base, counter and reactions, as CSV\n"
    "  summary    one CSV row per recording, for files and folders\n"
    "  report     a printable report of a recording, as PDF or PNG\n"
    "  channel    audio-channel commands from standard input\n"
    "\n"
    "Exit status: 0 success, 2 a file failed the format check, 1 any other error.\n";

const CommandHelp* helpFor(const std::string& command) {
    for (const CommandHelp& h : kCommandHelp)
        if (command == h.name) return &h;
    return nullptr;
}

} // namespace

int usageError(const std::string& command, const std::string& problem, std::ostream& err) {
    err << "kvtool " << command << ": " << problem << "\n"
        << "Try 'kvtool " << command << " --help'.\n";
    return kExitError;
}

std::optional<int> refuseOutputOverInput(const std::string& command, const ParsedArgs& args,
                                         std::ostream& err) {
    const std::string out = args.value("-o");
    for (const std::string& in : args.positional()) {
        if (const auto own = pairFileNamedBy(out, in)) {
            err << "kvtool " << command << ": -o " << out << " is part of the recording being read ("
                << *own << "); choose another name\n";
            return kExitError;
        }
    }
    // No command writes a recording: an existing data or sound file (such as
    // one found in a folder being summarised) is never an output. The output
    // is written through links, so the name that counts is the one the links
    // lead to.
    std::error_code ec;
    const std::string real = resolveLinks(std::filesystem::u8path(out)).string();
    const auto dot = real.find_last_of("./");
    std::string ext = dot == std::string::npos || real[dot] != '.' ? "" : real.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if ((ext == ".kvd" || ext == ".wav" || ext == ".mp3") &&
        std::filesystem::exists(std::filesystem::u8path(real), ec)) {
        err << "kvtool " << command << ": -o " << out << " is a recording's file"
            << (real == out ? "" : " (" + real + ")") << "; choose another name\n";
        return kExitError;
    }
    return std::nullopt;
}

namespace {

// True (and said) when a save of the file's pair was cut short and its
// journal waits: what the pair holds now may be half old, half new, and a
// reader does not change files to settle it.
bool refuseInterrupted(const std::string& file, std::ostream& err) {
    const std::string problem = interruptedSaveProblem(pairBaseOf(file));
    if (problem.empty()) return false;
    err << "kvtool: " << file << " is not read: " << problem << "\n";
    return true;
}

// Reads and checks a data file, reporting failures as the player does.
void reportReadError(const FileError& e, std::ostream& err) {
    err << "kvtool: " << couldNotLoadText("The kvd file", e.description) << "\n";
}

// The exit code for a data file's first records as read: 0 when they pass the
// format check, else the failure, reported as the player reports it.
int checkHead(const std::vector<std::uint8_t>& head, const std::optional<FileError>& error,
              std::ostream& err) {
    if (error) {
        reportReadError(*error, err);
        return kExitError;
    }
    if (!Verify_kvd_Format(head.data(), head.size())) {
        LoadError e;
        e.type = LoadError::Type::BadFormat;
        err << e.message().text << "\n";
        return kExitFormat;
    }
    return kExitOk;
}

// Opens a data file for one pass over its records, after the checks that
// loading makes; nothing when they fail (exitCode says how).
std::optional<KvdBlockReader> openRecords(const std::string& file, std::ostream& err,
                                          int& exitCode) {
    if (refuseInterrupted(file, err)) {
        exitCode = kExitError;
        return std::nullopt;
    }
    const ByteReadResult head = readKvdHead(file);
    if ((exitCode = checkHead(head.bytes, head.error, err)) != kExitOk) return std::nullopt;
    std::optional<KvdBlockReader> reader(std::in_place, file);
    if (reader->error() || reader->records() < 5) {
        reportReadError(reader->error().value_or(FileError{62, file + " ended before all its records were read (it changed or is damaged)"}),
                        err);
        exitCode = kExitError;
        return std::nullopt;
    }
    return reader;
}

} // namespace

LoadedRecords loadRecords(const std::string& file, std::ostream& err) {
    LoadedRecords out;
    if (refuseInterrupted(file, err)) {
        out.exitCode = kExitError;
        return out;
    }
    const ByteReadResult head = readKvdHead(file);
    if ((out.exitCode = checkHead(head.bytes, head.error, err)) != kExitOk) return out;
    KvdReadResult read = readKvdFile(file);
    if (read.error || read.records.size() < 5) {
        reportReadError(read.error.value_or(FileError{62, file + " ended before all its records were read (it changed or is damaged)"}), err);
        out.exitCode = kExitError;
        return out;
    }
    out.records = std::move(read.records);
    return out;
}

namespace {

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

int info(const std::string& file, std::ostream& out, std::ostream& err) {
    if (refuseInterrupted(file, err)) return kExitError;
    // The two ends of the file say all there is to say: no need to read it.
    const KvdEnds ends = readKvdEnds(file);
    if (const int code = checkHead(ends.head, ends.error, err); code != kExitOk) return code;
    const SampleRecord first = SampleRecord::decode(ends.head.data());
    const SampleRecord second = SampleRecord::decode(ends.head.data() + kRecordSize);
    const std::int32_t total = ends.last.TimeMs;

    std::string audio = "missing";
    std::int32_t units = 0;
    const std::string base = pairBaseOf(file);
    std::error_code ec;
    SoundChannel channel(SoundChannel::Options{true, {}});
    for (const auto& [ext, kind] :
         {std::pair{".wav", AudioKind::Wav}, std::pair{".mp3", AudioKind::Mp3}}) {
        const std::string path = pairFile(base, ext);
        if (!std::filesystem::is_regular_file(path, ec) ||
            std::filesystem::file_size(path, ec) == 0)
            continue;
        const AudioOpenResult opened = openAudio(channel, path, kind);
        channel.send("close WavFile");
        if (opened.error) {
            err << "kvtool: " << opened.error->message().text << "\n";
            return kExitError;
        }
        audio = kind == AudioKind::Wav ? "wav" : "mp3";
        units = opened.unitsPerSec;
        break;
    }

    out << "records: " << ends.records << "\n";
    out << "total_time_ms: " << total << "\n";
    out << "total_time: "
        << Format_PlayTime(static_cast<std::int32_t>(roundHalfEven(total / 1000.0)), total) << "\n";
    out << "skip_step: " << Calc_SkipStep(total / 1000) << "\n";
    if (first.MarkType == 'C') {
        const std::int32_t s = first.clockMarkSecs();
        out << "clock_start: " << twoDigits(s / 3600) << ":" << twoDigits((s / 60) % 60) << ":"
            << twoDigits(s % 60) << "\n";
    } else {
        out << "clock_start: none\n";
    }
    if (second.MarkType == 'D') {
        const auto d = dateFromDayNumber(second.dayMarkNumber());
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(d.year()),
                      static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
        out << "date: " << buf << "\n";
    } else {
        out << "date: none\n";
    }
    out << "audio: " << audio << "\n";
    out << "audio_units_per_sec: " << units << "\n";
    return kExitOk;
}

// False when a block could not be written or the file ended early.
bool exportCsv(KvdBlockReader& records, const CsvWriter::Sink& sink) {
    CsvWriter csv(sink);
    csv.text("record,time_ms,raw,needle,bd_count,bd_text,base_code,base_text,sens_index,"
             "knob_label,lamp,frozen,bd_on,dial_type,mark,mark_value,record_type")
        .endRow();
    long long n = 0;
    for (auto block = records.next(); !block.empty(); block = records.next()) {
        for (const SampleRecord& r : block) {
            csv.number(++n).comma().number(r.TimeMs).comma().number(r.RawReading).comma();
            csv.number(r.NeedlePos)
                .comma()
                .number(r.BdCount)
                .comma()
                .text(Format_BdText(r.BdCount));
            csv.comma().number(r.BaseCode).comma().text(baseTextOf(r.BaseCode)).comma();
            csv.number(r.SensIndex).comma().text(gainLabel(r.SensIndex)).comma();
            csv.number(static_cast<int>(r.lamp()))
                .comma()
                .number(r.frozen())
                .comma()
                .number(r.bdOn())
                .comma();
            csv.number(r.dialType()).comma();
            if (r.MarkType == 'C')
                csv.text("C,").number(r.clockMarkSecs());
            else if (r.MarkType == 'D')
                csv.text("D,").number(r.dayMarkNumber());
            else if (r.MarkType == 'T')
                csv.text("T,").number(r.tagMarkNumber());
            else
                csv.comma();
            csv.comma();
            const bool printable = r.RecordType > 32 && r.RecordType < 127 && r.RecordType != ',' &&
                                   r.RecordType != '"';
            if (printable) csv.text(std::string_view(&r.RecordType, 1));
            csv.endRow();
        }
    }
    return csv.finish() && !records.error();
}

// Sends CSV blocks to a stream.
CsvWriter::Sink streamSink(std::ostream& out) {
    return [&out](std::string_view block) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        return static_cast<bool>(out);
    };
}

int exportCommand(const std::string& file, const std::string& outPath, std::ostream& out,
                  std::ostream& err) {
    int code = kExitOk;
    std::optional<KvdBlockReader> records = openRecords(file, err, code);
    if (!records) return code;
    if (outPath.empty()) {
        if (exportCsv(*records, streamSink(out))) return kExitOk;
        if (records->error()) reportReadError(*records->error(), err);
        return kExitError;
    }
    // Written whole or not at all, never over a read-only or special file.
    ReplacingFile target(outPath, outPath);
    exportCsv(*records, [&](std::string_view block) { return target.write(block); });
    if (records->error()) { // the file ended early: the output is not made
        reportReadError(*records->error(), err);
        return kExitError;
    }
    if (const auto e = target.commit()) {
        err << "kvtool: cannot write " << outPath << ": " << e->description << "\n";
        return kExitError;
    }
    return kExitOk;
}

// What is wrong with a data file that cannot be opened, in a few words.
std::string dataFileProblem(const std::string& path) {
    const std::string why = unreadableReason(path);
    return why.empty() ? "it cannot be read" : why;
}

// Signals that end kvtool are held back during a save and looked for between
// its steps, so an interrupted save removes what it wrote.
class HeldSignals {
public:
    HeldSignals() {
        sigemptyset(&m_set);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&m_set, sig);
        ::sigprocmask(SIG_BLOCK, &m_set, &m_old);
    }
    ~HeldSignals() {
        // A signal that arrived is not let through: the caller reports it.
        if (!pending()) ::sigprocmask(SIG_SETMASK, &m_old, nullptr);
    }
    bool pending() const {
        sigset_t now;
        sigemptyset(&now);
        ::sigpending(&now);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            if (sigismember(&now, sig) == 1) return true;
        return false;
    }

private:
    sigset_t m_set{}, m_old{};
};

struct Interrupted {};

// Saves a segment as a new pair, through the same cut and save as the window.
int cutCommand(const std::vector<std::string>& args, std::ostream& err) {
    ParsedArgs o = ParsedArgs::parse(args, {{"--from", "--to", "-o"}, {}}, 1);
    const auto from = o.seconds("--from"), to = o.seconds("--to");
    if (o.ok() && (!from || !to)) o.fail("give --from SECONDS and --to SECONDS");
    if (o.ok() && !o.has("-o")) o.fail("give -o OUT.kvd");
    if (o.ok() && o.positional().size() != 1)
        o.fail(o.positional().empty() ? "give one FILE.kvd" : "give only one FILE.kvd");
    if (o.ok() && *to <= *from) o.fail("--to must be later than --from");
    if (!o.ok()) return usageError("cut", o.error(), err);
    // Whole milliseconds from here on, so ties with record times are exact. A
    // time past the longest possible recording stands for its end (rounding
    // it as it is would overflow).
    constexpr double kEndMs = std::numeric_limits<std::int32_t>::max();
    const std::int64_t fromMs = std::llround(std::min(*from * 1000, kEndMs));
    const std::int64_t toMs = std::llround(std::min(*to * 1000, kEndMs));
    const std::string file = o.positional().front(), outPath = o.value("-o");
    const std::string base = pairBaseOf(file), outBase = pairBaseOf(outPath);
    // An empty name or a folder would make a pair named only ".kvd" and ".wav".
    const std::filesystem::path outName = std::filesystem::u8path(outBase).filename();
    if (outName.empty() || outName == "." || outName == "..")
        return usageError("cut", "-o '" + outPath + "' names no file: give -o OUT.kvd", err);
    SoundChannel channel(SoundChannel::Options{true, {}});
    LoadResult loaded = Load_File(LoadRequest{base, true, ""}, channel);
    if (!loaded.notice.empty()) err << "kvtool: " << loaded.notice << "\n";
    if (!loaded.recording) {
        const LoadError& e = *loaded.error;
        if (e.type == LoadError::Type::DataFileMissing)
            err << "kvtool: cannot read " << e.path << ": " << dataFileProblem(e.path) << "\n";
        else if (e.type == LoadError::Type::AudioMissing)
            err << "kvtool: " << file << " has no sound: neither " << base << ".wav nor " << base
                << ".mp3 can be read\n";
        else
            err << (e.type == LoadError::Type::BadFormat ? "" : "kvtool: ") << e.message().text
                << "\n";
        return e.type == LoadError::Type::BadFormat ? kExitFormat : kExitError;
    }
    RecordingFile& rec = *loaded.recording;
    const std::int32_t totalMs = rec.TotalTimeMs;
    if (fromMs > totalMs) {
        err << "kvtool cut: the range starts at " << *from
            << " s, after the end of the recording (" << totalMs / 1000.0 << " s)\n";
        return kExitError;
    }
    // Whole records, as the brackets take them, found by index.
    std::int32_t first = 1, last = rec.RecordCount;
    while (first < rec.RecordCount && rec.record(first).TimeMs < fromMs)
        ++first;
    while (last > first && rec.record(last).TimeMs > toMs)
        --last;
    if (last - first + 1 < kMinRecords) {
        err << "kvtool cut: " << couldNotSaveText(tooFewRecordsError(last - first + 1)) << "\n";
        return kExitError;
    }
    rec.LoopStartRecord = first;
    rec.LoopEndRecord = last;
    PairSaveRequest request{outBase, filesInUse(rec), {}, {}};
    HeldSignals held;
    request.progress = [&held](int) {
        if (held.pending()) throw Interrupted{};
    };
    request.stepHook = [&held](const std::string&) {
        return held.pending() ? FileReplacement::StepAction::Fail : FileReplacement::StepAction::Go;
    };
    cutAudio(channel, Expand_Recording(rec));
    PairSaveResult saved;
    try {
        saved = saveRecordingPair(rec, &channel, request);
    } catch (const Interrupted&) {
        saved.error = FileError{kErrInterrupted, "The save was interrupted"};
    }
    if (!saved.notice.empty()) err << "kvtool: " << saved.notice << "\n";
    if (held.pending() && saved.error) {
        err << "kvtool cut: interrupted; " << outBase << ".kvd was not written\n";
        return 130;
    }
    if (held.pending()) {
        // The signal came once the new files were in place: the save happened.
        err << "kvtool cut: interrupted after " << outBase << ".kvd and " << outBase
            << ".wav were saved\n";
        return kExitOk;
    }
    if (saved.error) {
        err << "kvtool: " << couldNotSaveText(*saved.error) << "\n";
        return kExitError;
    }
    if (!saved.warning.empty()) err << "kvtool: warning: " << saved.warning << "\n";
    return kExitOk;
}

} // namespace

std::optional<int> runLeanCommand(const std::vector<std::string>& args, std::ostream& out,
                                  std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return kExitError;
    }
    const std::string& cmd = args[0];
    if (cmd == "--help" || cmd == "-h") {
        out << kOverview;
        return kExitOk;
    }
    if (cmd == "--version") {
        out << "kvtool " << KV_VERSION << "\n";
        return kExitOk;
    }
    const CommandHelp* help = helpFor(cmd);
    if (!help) {
        err << "kvtool: unknown command '" << cmd << "'\n" << kUsage;
        return kExitError;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (asksForHelp(rest)) {
        out << help->text;
        return kExitOk;
    }
    if (help->full) return std::nullopt;
    if (cmd == "cut") return cutCommand(args, err);

    CommandOptions accepted;
    if (cmd == "export") accepted.valued = {"-o"};
    if (cmd == "recompute") accepted = recomputeOptions();
    if (cmd == "events") accepted = eventsOptions();
    if (cmd == "summary") accepted = summaryOptions();
    ParsedArgs parsed = ParsedArgs::parse(rest, accepted);
    if (!parsed.ok()) return usageError(cmd, parsed.error(), err);
    if (const auto refused = refuseOutputOverInput(cmd, parsed, err)) return *refused;
    // A progress line only for a person watching: standard error on a terminal.
    if (cmd == "summary")
        return summaryCommand(parsed, out, err, &err == &std::cerr && ::isatty(STDERR_FILENO) == 1);
    const std::vector<std::string>& files = parsed.positional();
    if (files.size() != 1)
        return usageError(cmd, files.empty() ? "give one FILE.kvd" : "give only one FILE.kvd", err);
    const std::string& file = files.front();
    if (cmd == "info") return info(file, out, err);
    if (cmd == "export") return exportCommand(file, parsed.value("-o"), out, err);
    if (cmd == "recompute") {
        int code = kExitOk;
        std::optional<KvdBlockReader> records = openRecords(file, err, code);
        return records ? recomputeCommand(parsed, *records, out, err) : code;
    }
    // events, the one left: it needs the whole recording.
    const LoadedRecords l = loadRecords(file, err);
    if (l.exitCode != kExitOk) return l.exitCode;
    return eventsCommand(parsed, l.records, out, err);
}

} // namespace kv
