#include "KvToolInfo.h"

#include "KvToolCommand.h"
#include "AudioChannel.h"
#include "PairFiles.h"
#include "PlayTime.h"
#include "RecordingLoader.h"
#include "SegmentEditor.h"
#include "SoundChannel.h"

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <utility>

namespace kv {
namespace {

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

} // namespace

int infoCommand(const std::string& file, std::ostream& out, std::ostream& err) {
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

} // namespace kv
