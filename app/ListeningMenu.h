// ListeningMenu: the Audio menu's listening items, after the described ones
// behind a separator: "Speed", "Sync Offset…", "Output Device", "Volume" and
// "Mute". It applies each choice to the audio channel, the playback engine
// and the meter's recording clock, and keeps it in the settings file's
// [Player] section.
#pragma once

#include "PlayerPreferences.h"

#include <QObject>

#include <functional>
#include <string>

class QAction;
class QActionGroup;
class QMenu;

namespace kv {

class AudioListening;
class Dialogs;
class PlaybackEngine;
class RecordingClock;

class ListeningMenu final : public QObject {
public:
    struct Parts {
        AudioListening* listening = nullptr; // null: no sound device to steer
        PlaybackEngine* engine = nullptr;
        RecordingClock* clock = nullptr;
        Dialogs* dialogs = nullptr;
        std::function<std::string()> settingsPath;
        std::function<void(const std::string&)> showMessage; // in the mode readout
        std::function<void(bool)> fastPlayback;              // true while the speed is above 1x
    };
    // Adds the items to `audioMenu`.
    ListeningMenu(QMenu* audioMenu, Parts parts);

    // Reads the saved choices and applies them (at start-up, once the
    // settings file is known).
    void loadSaved();
    const PlayerPreferences& preferences() const { return m_prefs; }

    static constexpr int kSpeeds[] = {50, 75, 100, 125, 150, 200};

private:
    void chooseSpeed(int percent);
    void askSyncOffset();
    void chooseDevice(const std::string& name);
    void chooseVolume(int percent);
    void setMute(bool on);
    void fillDeviceMenu();
    void applyVolume();
    void showChecks();
    void save(const char* key, const std::string& value);

    Parts m_parts;
    PlayerPreferences m_prefs;
    QMenu* m_speedMenu = nullptr;
    QMenu* m_deviceMenu = nullptr;
    QMenu* m_volumeMenu = nullptr;
    QAction* m_mute = nullptr;
};

} // namespace kv
