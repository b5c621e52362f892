// The player's own preferences for its review and listening features, kept in
// the settings file's [Player] section. The described sections and keys are
// never touched; a file without [Player] gives the defaults. Each preference
// is written when the user changes it, key by key, so the rest of the file
// stays as it was.
#pragma once

#include "FileError.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kv {

struct PlayerPreferences {
    // Session navigator
    bool ShowOverview = false; // off: the window keeps its described layout until asked
    bool ShowEventList = false;
    std::string EventKinds = "tag,set,motion,base,reaction"; // kinds the list and keys use

    // Sessions panel
    bool ShowSessions = false;
    std::string SessionsFolder; // the folder last opened, reopened at start; empty: none

    // Listening
    std::int32_t SpeedPercent = 100;  // 50, 75, 100, 125, 150 or 200
    std::int32_t SyncOffsetMs = 0;    // -500 .. 500
    std::string OutputDevice;         // empty: the system default
    std::int32_t VolumePercent = 100; // 0 .. 100 in steps of 10
    bool Mute = false;
};

inline constexpr const char* kPlayerSection = "Player";

// Reads [Player] from the settings file at path; unreadable, missing or out of
// range values give the defaults (numbers are clamped to their range).
PlayerPreferences loadPlayerPreferences(const std::string& settingsPath);

// Writes one key of [Player] into the settings file at path.
std::optional<FileError> savePlayerPreference(const std::string& settingsPath,
                                              const std::string& key, const std::string& value);

} // namespace kv
