#include "SegmentEditor.h"

#include "AudioChannel.h"
#include "AudioCommand.h"
#include "FileCalls.h"
#include "FileNames.h"
#include "PairFiles.h"
#include "PlayTime.h"
#include "SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string unitsText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

std::string secondsText(double secs) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", secs);
    return buf;
}

// Refuses a target that is one of the files in use, whatever its spelling.
std::optional<FileError> checkNotInUse(const std::string& target,
                                       const std::vector<std::string>& inUse) {
    for (const std::string& f : inUse)
        if (sameFile(fs::u8path(target), fs::u8path(f)))
            return FileError{kErrFileAlreadyOpen,
                             target + " belongs to the recording in use, so it cannot be saved "
                                      "over"};
    return std::nullopt;
}

// Writes bytes to a new temporary of a change (flushed by the change's commit).
std::optional<FileError> writeWholeFile(const fs::path& temp, std::string_view bytes,
                                        const std::string& shownName) {
    const int fd = fileCalls().open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return errnoError(errno, shownName);
    while (!bytes.empty()) {
        const ssize_t n = fileCalls().write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return errnoError(err, shownName);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0) return errnoError(errno, shownName);
    return std::nullopt;
}

} // namespace

ExpandCut Expand_Recording(RecordingFile& rec) {
    ExpandCut cut;
    const std::int32_t first = std::max(1, rec.LoopStartRecord);
    const std::int32_t last = std::clamp(rec.LoopEndRecord, first, rec.RecordCount);
    const double perMs = rec.AudioUnitsPerSec / 1000.0;
    cut.startMs = rec.record(first).TimeMs;
    cut.startUnits = unitsText(std::max(0.0, perMs * cut.startMs));
    cut.endUnits = std::max<std::int64_t>(0, roundHalfEven(perMs * rec.record(last).TimeMs));

    const std::uint8_t keep14 = rec.record(1).MarkData[0];
    const SampleRecord second = rec.record(std::min(2, rec.RecordCount));
    // In 64 bits: recorded times may be anything, and a recording whose times
    // go backwards is cut by record index with no time below zero.
    if (rec.ClockStartSecs != 0)
        rec.ClockStartSecs = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            std::int64_t{rec.ClockStartSecs} + cut.startMs / 1000, INT32_MIN, INT32_MAX));
    const std::int32_t c = rec.ClockStartSecs;

    std::vector<SampleRecord> out(rec.Records.begin() + (first - 1), rec.Records.begin() + last);
    for (SampleRecord& r : out)
        r.TimeMs = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{r.TimeMs} - cut.startMs, 0, INT32_MAX));
    out[0].MarkData = {keep14, static_cast<std::uint8_t>((c / 65536) % 256),
                       static_cast<std::uint8_t>((c / 256) % 256),
                       static_cast<std::uint8_t>(c % 256)};
    out[0].MarkType = 'C';
    if (out.size() > 1) {
        out[1].MarkData = second.MarkData;
        out[1].MarkType = second.MarkType;
    }
    rec.Records = std::move(out);
    rec.RecordCount = static_cast<std::int32_t>(rec.Records.size());
    rec.LoopStartRecord = 1;
    rec.LoopEndRecord = rec.RecordCount;
    rec.TotalTimeMs = rec.Records.back().TimeMs;
    rec.CurrentRecord = rec.Records.front();
    rec.SkipStepSecs = Calc_SkipStep(rec.TotalTimeMs / 1000);
    rec.LoadedFileBase = "Buffer";
    return cut;
}

void cutAudio(AudioChannel& audio, const ExpandCut& cut) {
    audio.send("delete WavFile from " + std::to_string(cut.endUnits));
    audio.send("delete WavFile from 0 to " + cut.startUnits);
}

std::vector<std::string> filesInUse(const RecordingFile& rec) {
    std::vector<std::string> files;
    if (rec.LoadedFileBase != "Buffer" && !rec.LoadedFileBase.empty())
        files.push_back(pairFile(rec.LoadedFileBase, ".kvd"));
    if (!rec.AudioPath.empty()) files.push_back(rec.AudioPath);
    return files;
}

std::string pairBaseOf(const std::string& chosen) {
    constexpr std::string_view ext = ".kvd";
    // In any case: "WALK001.KVD" is the pair WALK001.
    if (chosen.size() <= ext.size() || !hasExtension(chosen, ext)) return chosen;
    return chosen.substr(0, chosen.size() - ext.size());
}

std::vector<std::string> existingPairFiles(const std::string& basePath, bool withSound) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const char* ext : {".kvd", ".wav"}) {
        if (!withSound && std::string_view(ext) == ".wav") continue;
        const std::string name = basePath + ext;
        if (fs::exists(fs::symlink_status(fs::u8path(name), ec))) found.push_back(name);
    }
    return found;
}

Recovery recoverInterruptedSave(const std::string& basePath, bool lockHeld) {
    const fs::path journal = FileReplacement::journalFor(basePath);
    const Recovery r = lockHeld ? recoverLockedReplacement(journal) : recoverReplacement(journal);
    // A journal that still waits needs every file it names: nothing is tidied.
    if (!r.settled()) return r;
    const fs::path folder = fs::u8path(basePath).parent_path();
    const auto kept = filesKeptByJournals(folder);
    removeStaleTemporaries(folder, std::set<fs::path>(kept.begin(), kept.end()));
    return r;
}

std::string interruptedSaveProblem(const std::string& basePath) {
    const fs::path journal = FileReplacement::journalFor(basePath);
    if (!journalPending(journal)) return "";
    return "a save of " + basePath + ".kvd was interrupted and is neither finished nor undone (" +
           journal.string() +
           " lies beside it); load it in the player or with kvtool cut to "
           "finish or undo that save";
}

FileError tooFewRecordsError(std::int32_t records) {
    return {kErrTooFewRecords, "the segment holds " + std::to_string(records) +
                                   " records; a recording needs at least " +
                                   std::to_string(kMinRecords) + " to be loaded again"};
}

std::optional<FileError> checkPairTarget(const PairSaveRequest& request, bool withSound) {
    for (const std::string ext : {".kvd", ".wav"}) {
        if (ext == ".wav" && !withSound) continue;
        const std::string name = request.basePath + ext;
        if (auto e = checkNotInUse(name, request.protectedFiles)) return e;
        if (auto e = checkReplaceable(resolveLinks(fs::u8path(name)), name)) return e;
    }
    if (request.notes) {
        const std::string name = request.basePath + ".kvnotes";
        if (auto e = checkNotInUse(name, request.protectedFiles)) return e;
        if (auto e = checkReplaceable(resolveLinks(fs::u8path(name)), name)) return e;
    }
    return std::nullopt;
}

PairSaveResult saveRecordingPair(const RecordingFile& rec, AudioChannel* audio,
                                 const PairSaveRequest& request) {
    PairSaveResult out;
    const std::string dataName = request.basePath + ".kvd";
    const std::string soundName = request.basePath + ".wav";
    if (rec.RecordCount < kMinRecords) {
        out.error = tooFewRecordsError(rec.RecordCount);
        return out;
    }
    if ((out.error = checkPairTarget(request, audio != nullptr))) return out;
    // The pair is this save's alone from here to the end of the change.
    FileReplacement change(FileReplacement::journalFor(request.basePath), dataName);
    if ((out.error = change.lock())) return out;
    const Recovery recovered = recoverInterruptedSave(request.basePath, true);
    out.notice = recovered.message;
    if (!recovered.settled()) {
        // Writing now would replace the journal that still waits.
        out.error = FileError{kErrPathFileAccess, "Path/File access error: " + recovered.message};
        out.notice.clear();
        return out;
    }

    if (audio) {
        // The sound that will be written, against the records it goes with.
        const auto length =
            std::strtoll(audio->send("status WavFile length").text.c_str(), nullptr, 10);
        const double perSec = rec.AudioUnitsPerSec > 0 ? rec.AudioUnitsPerSec : 1000.0;
        const double soundSecs = static_cast<double>(length) / perSec;
        const double dataSecs = rec.TotalTimeMs / 1000.0;
        if (length <= 0 && rec.TotalTimeMs > 0) {
            out.error = FileError{kErrTooFewRecords,
                                  "the sound ends before the segment starts, so the new pair "
                                  "would have no sound"};
            return out;
        }
        if (soundSecs + 1.0 < dataSecs)
            out.warning = "The sound of " + soundName + " (" + secondsText(soundSecs) +
                          ") is shorter than its records (" + secondsText(dataSecs) + ").";
    }

    change.setStepHook(request.stepHook);
    fs::path dataTemp, soundTemp;
    if ((out.error = change.add(fs::u8path(dataName), dataName, dataTemp))) return out;
    if (audio && (out.error = change.add(fs::u8path(soundName), soundName, soundTemp))) return out;
    if ((out.error = writeKvdFile(dataTemp.string(), rec.Records, request.progress, dataName)))
        return out;
    if (audio) {
        const AudioReply saved =
            audio->send("save WavFile " + quoteCommandWord(soundTemp.string()) + " wait");
        std::error_code ec;
        if (!saved.ok() || !fs::is_regular_file(soundTemp, ec)) {
            out.error = FileError{saved.ok() ? kErrPathFileAccess : saved.code,
                                  saved.ok() ? soundName + " could not be written"
                                             : soundName + ": " + saved.text};
            return out;
        }
    }
    if (request.notes) {
        const std::string notesName = request.basePath + ".kvnotes";
        fs::path notesTemp;
        if ((out.error = change.add(fs::u8path(notesName), notesName, notesTemp))) return out;
        if ((out.error = writeWholeFile(notesTemp, *request.notes, notesName))) return out;
    }
    out.error = change.commit();
    return out;
}

std::string couldNotSaveText(const FileError& e) {
    return "The file could not be saved for the following reason(s): \n" + e.description;
}

} // namespace kv
