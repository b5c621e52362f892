#include "PlayerPreferences.h"

#include "ProfileFile.h"
#include "TextConversion.h"

#include <algorithm>
#include <array>

namespace kv {

namespace {

std::int32_t readInt(const ProfileFile& file, const char* key, std::int32_t def, std::int32_t lo,
                     std::int32_t hi) {
    const auto v = textToInt32(file.read(kPlayerSection, key, ""));
    return v ? std::clamp(*v, lo, hi) : def;
}

bool readBool(const ProfileFile& file, const char* key, bool def) {
    return textToBool(file.read(kPlayerSection, key, "")).value_or(def);
}

} // namespace

PlayerPreferences loadPlayerPreferences(const std::string& settingsPath) {
    PlayerPreferences p;
    const ProfileFile file(settingsPath);
    if (!file.loaded()) return p;
    p.ShowOverview = readBool(file, "ShowOverview", p.ShowOverview);
    p.ShowEventList = readBool(file, "ShowEventList", p.ShowEventList);
    p.EventKinds = file.read(kPlayerSection, "EventKinds", p.EventKinds);
    p.ShowSessions = readBool(file, "ShowSessions", p.ShowSessions);
    p.SessionsFolder = file.read(kPlayerSection, "SessionsFolder", "");

    // Speeds other than the offered ones fall back to normal speed.
    constexpr std::array kSpeeds{50, 75, 100, 125, 150, 200};
    const std::int32_t speed = readInt(file, "SpeedPercent", 100, 0, 1000);
    p.SpeedPercent =
        std::find(kSpeeds.begin(), kSpeeds.end(), speed) != kSpeeds.end() ? speed : 100;
    p.SyncOffsetMs = readInt(file, "SyncOffsetMs", 0, -500, 500);
    p.OutputDevice = file.read(kPlayerSection, "OutputDevice", "");
    p.VolumePercent = readInt(file, "VolumePercent", 100, 0, 100) / 10 * 10;
    p.Mute = readBool(file, "Mute", false);
    return p;
}

std::optional<FileError> savePlayerPreference(const std::string& settingsPath,
                                              const std::string& key, const std::string& value) {
    ProfileFile file(settingsPath);
    file.write(kPlayerSection, key, value);
    return file.save();
}

} // namespace kv
