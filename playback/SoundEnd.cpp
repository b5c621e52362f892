#include "SoundEnd.h"

#include "AudioChannel.h"
#include "PlayTime.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace kv {
namespace {

std::string timeText(std::int32_t ms, std::int32_t totalMs) {
    return Format_PlayTime(ms / 1000, totalMs);
}

} // namespace

std::optional<SoundEnd> measureSoundEnd(AudioChannel& audio, const RecordingFile& r) {
    if (r.AudioUnitsPerSec <= 0) return std::nullopt;
    const AudioReply reply = audio.send("status WavFile length");
    if (!reply.ok() || reply.text.empty()) return std::nullopt;
    char* end = nullptr;
    const long long units = std::strtoll(reply.text.c_str(), &end, 10);
    if (*end != '\0' || units < 0) return std::nullopt;
    const long long ms = units * 1000 / r.AudioUnitsPerSec;
    return SoundEnd{static_cast<std::int32_t>(std::min<long long>(ms, INT32_MAX)), r.TotalTimeMs};
}

std::string SoundEnd::loadNotice(const std::string& name) const {
    char gap[32];
    std::snprintf(gap, sizeof gap, "%.1f", (recordsMs - soundMs) / 1000.0);
    return "The sound of " + name + " ends at " + timeText(soundMs, recordsMs) + ", " + gap +
           " s before its records (" + timeText(recordsMs, recordsMs) +
           "). Playback stops where the sound ends.";
}

std::string soundEndedText(std::int32_t soundMs, std::int32_t recordsMs) {
    return "The sound ended at " + timeText(soundMs, recordsMs) +
           ", before the records (" + timeText(recordsMs, recordsMs) +
           "): playback stopped there.";
}

} // namespace kv
