#include "KvToolCut.h"

#include "CommandLine.h"
#include "KvToolCommand.h"
#include "KvToolNotes.h"
#include "PairFiles.h"
#include "RecordingLoader.h"
#include "SafeFile.h"
#include "SegmentEditor.h"
#include "SoundChannel.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <ostream>

namespace kv {
namespace {

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

// Reports why the recording to cut could not be loaded; returns the exit code.
int reportLoadFailure(const LoadError& e, const std::string& file, std::ostream& err) {
    if (e.type == LoadError::Type::DataFileMissing) {
        // Empty only when the file became readable since it was looked at.
        const std::string why = unreadableReason(e.path);
        err << "kvtool: cannot read " << e.path << (why.empty() ? "" : ": " + why) << "\n";
        return kExitError;
    }
    if (e.type == LoadError::Type::AudioMissing) {
        const std::string base = pairBaseOf(file);
        err << "kvtool: " << file << " has no sound: neither " << base << ".wav nor " << base
            << ".mp3 can be read\n";
        return kExitError;
    }
    if (e.type == LoadError::Type::BadFormat) {
        err << e.message().text << "\n";
        return kExitFormat;
    }
    err << "kvtool: " << e.message().text << "\n";
    return kExitError;
}

} // namespace

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
    if (!loaded.recording) return reportLoadFailure(*loaded.error, file, err);
    RecordingFile& rec = *loaded.recording;
    const std::int32_t totalMs = rec.TotalTimeMs;
    if (fromMs > totalMs) {
        err << "kvtool cut: the range starts at " << *from << " s, after the end of the recording ("
            << totalMs / 1000.0 << " s)\n";
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
    // The marks of the segment go with it; notes that cannot be read stop the
    // cut rather than leave the new pair without them.
    const auto notes = notesForCommand("cut", file, rec.RecordCount, err);
    if (!notes) return kExitError;
    rec.LoopStartRecord = first;
    rec.LoopEndRecord = last;
    PairSaveRequest request{outBase, filesInUse(rec), {}, {}};
    request.notes = notesForNewPair(notesOfSegment(*notes, first, last),
                                    std::filesystem::u8path(outBase + ".kvd"));
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
        err << "kvtool cut: interrupted after " << outBase << ".kvd and " << outBase << ".wav"
            << (request.notes ? " (and its notes)" : "") << " were saved\n";
        return kExitOk;
    }
    if (saved.error) {
        err << "kvtool: " << couldNotSaveText(*saved.error) << "\n";
        return kExitError;
    }
    if (!saved.warning.empty()) err << "kvtool: warning: " << saved.warning << "\n";
    return kExitOk;
}

} // namespace kv
