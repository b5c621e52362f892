#include "SegmentEditor.h"

#include "AudioChannel.h"
#include "PlayTime.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string uniqueSuffix() {
    static std::mt19937_64 rng{std::random_device{}()};
    char buf[32];
    std::snprintf(buf, sizeof buf, ".%08llx.tmp",
                  static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
    return buf;
}

std::string unitsText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

// Puts the finished temporaries in place; on failure puts back what was there.
std::optional<FileError> commit(const std::vector<std::pair<std::string, std::string>>& moves) {
    std::vector<std::pair<std::string, std::string>> done; // (target, backup or "")
    std::error_code ec;
    for (const auto& [temp, target] : moves) {
        std::string backup;
        if (fs::exists(target, ec)) {
            backup = target + uniqueSuffix();
            fs::rename(target, backup, ec);
            if (ec) break;
        }
        fs::rename(temp, target, ec);
        if (ec) {
            if (!backup.empty()) fs::rename(backup, target, ec);
            ec = std::make_error_code(std::errc::io_error);
            break;
        }
        done.emplace_back(target, backup);
    }
    if (!ec) {
        for (const auto& [target, backup] : done)
            if (!backup.empty()) fs::remove(backup, ec);
        return std::nullopt;
    }
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        std::error_code undo;
        if (it->second.empty())
            fs::remove(it->first, undo);
        else
            fs::rename(it->second, it->first, undo);
    }
    for (const auto& [temp, target] : moves)
        fs::remove(temp, ec);
    return FileError{75, "Path/File access error: the new files could not be put in place"};
}

} // namespace

ExpandCut Expand_Recording(RecordingFile& rec) {
    ExpandCut cut;
    const std::int32_t first = std::max(1, rec.LoopStartRecord);
    const std::int32_t last = std::clamp(rec.LoopEndRecord, first, rec.RecordCount);
    const double perMs = rec.AudioUnitsPerSec / 1000.0;
    cut.startMs = rec.record(first).TimeMs;
    cut.startUnits = unitsText(perMs * cut.startMs);
    cut.endUnits = roundHalfEven(perMs * rec.record(last).TimeMs);

    const std::uint8_t keep14 = rec.record(1).MarkData[0];
    const SampleRecord second = rec.record(std::min(2, rec.RecordCount));
    if (rec.ClockStartSecs != 0) rec.ClockStartSecs += cut.startMs / 1000;
    const std::int32_t c = rec.ClockStartSecs;

    std::vector<SampleRecord> out(rec.Records.begin() + (first - 1), rec.Records.begin() + last);
    for (SampleRecord& r : out)
        r.TimeMs -= cut.startMs;
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

std::optional<FileError> saveRecordingPair(const RecordingFile& rec, const std::string& base,
                                           AudioChannel* audio, const ProgressFn& progress) {
    const std::string suffix = uniqueSuffix();
    const std::string dataTemp = base + ".kvd" + suffix;
    const std::string soundTemp = base + suffix + ".wav";
    std::error_code ec;
    auto cleanUp = [&] {
        fs::remove(dataTemp, ec);
        fs::remove(soundTemp, ec);
    };
    if (auto e = writeKvdFile(dataTemp, rec.Records, progress)) {
        cleanUp();
        return e;
    }
    std::vector<std::pair<std::string, std::string>> moves = {{dataTemp, base + ".kvd"}};
    if (audio) {
        const AudioReply saved = audio->send("save WavFile \"" + soundTemp + "\" wait");
        if (!saved.ok() || !fs::exists(soundTemp, ec)) {
            cleanUp();
            return FileError{saved.ok() ? 75 : saved.code,
                             saved.ok() ? "the sound could not be written" : saved.text};
        }
        moves.emplace_back(soundTemp, base + ".wav");
    }
    return commit(moves);
}

std::string couldNotSaveText(const FileError& e) {
    return "The file could not be saved for the following reason(s): \n" +
           std::to_string(e.number) + ": '" + e.description + "'";
}

} // namespace kv
