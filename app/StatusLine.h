// StatusLine: what is in force, where the eye falls while playing. Speed
// other than 1x, mute, volume below 100 %, a sync offset and a chosen output
// device go into the window title ("demo001 — 2× — muted — kv Player") and
// into a status bar that View > "Status Bar" shows, with the range's start
// and end when a range is set. Unless the user chose, the bar shows only
// while something is not at its default. Files the window wrote are named
// there with an "Open Folder" button.
#pragma once

#include "FileError.h"
#include "PlayerPreferences.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QTimer;
class QToolButton;

namespace kv {

class Dialogs;
class ListeningMenu;
class PlaybackEngine;

class StatusLine final : public QObject {
public:
    struct Parts {
        QMainWindow* window = nullptr;
        PlaybackEngine* engine = nullptr;
        ListeningMenu* listening = nullptr;
        QMenu* viewMenu = nullptr;  // gets "Status Bar"
        QMenu* audioMenu = nullptr; // its choices change what is in force
        Dialogs* dialogs = nullptr;
        std::function<std::string()> settingsPath;
        std::function<void()> layoutChanged; // the bar was shown or hidden
        std::function<void(const FileError&)> notSaved; // the settings file refused the choice
    };
    explicit StatusLine(Parts parts);

    // Reads the user's choice of the bar from [Player] (start-up).
    void loadSaved();
    // The title and the bar as things stand now.
    void refresh();
    // Names a file the window wrote, with "Open Folder", for a while.
    void fileWritten(const std::string& what, const std::string& path);

    // "2×", "muted", "volume 50 %", "sync +120 ms", "device Headphones": the
    // listening choices not at their defaults.
    static std::vector<std::string> inForce(const PlayerPreferences& prefs);

    static constexpr int kNoticeMs = 20000;

private:
    void showBar();
    void chooseBar(bool on);

    Parts m_parts;
    QAction* m_viewItem = nullptr;
    QLabel* m_text = nullptr;
    QLabel* m_written = nullptr;
    QToolButton* m_openFolder = nullptr;
    QTimer* m_noticeTimer = nullptr;
    std::string m_writtenPath;
    int m_chosen = -1; // the user's choice of the bar: -1 none, 0 off, 1 on
};

} // namespace kv
