// SoundEnd: where the sound of a loaded recording ends against its records.
// A sound that ends more than a second before the records is said at load;
// playback then stops where the sound ends (the device is the clock, and
// there is none past its end), and says so once more when it does.
#pragma once

#include "RecordingFile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kv {

class AudioChannel;

struct SoundEnd {
    std::int32_t soundMs = 0;   // the length of the sound
    std::int32_t recordsMs = 0; // the time of the last record
    bool shorter() const { return recordsMs - soundMs > 1000; }
    // Said at load, for the recording named name.
    std::string loadNotice(const std::string& name) const;
};

// Asks the open sound for its length; nothing when the device does not tell.
std::optional<SoundEnd> measureSoundEnd(AudioChannel& audio, const RecordingFile& recording);

// Said when playback stopped because the sound ended at soundMs.
std::string soundEndedText(std::int32_t soundMs, std::int32_t recordsMs);

} // namespace kv
