// File > "Recent Recordings": the last eight pairs loaded, newest first, each
// with its folder in the tool tip; those no longer found are greyed and
// marked "(not found)". "Clear List" empties it; "Open the Last Recording at
// Start" (off unless chosen) loads the newest at start-up when no file was
// named. Kept in the settings file's [Player] section.
#pragma once

#include "FileError.h"
#include "RecentList.h"

#include <QObject>

#include <functional>
#include <string>

class QMenu;
class QAction;

namespace kv {

class RecentRecordings final : public QObject {
public:
    struct Parts {
        std::function<std::string()> settingsPath;
        std::function<void(const std::string&)> open; // loads a .kvd as the Load button does
        std::function<void(const FileError&)> notSaved;
    };
    // Adds the submenu to the end of `fileMenu`, behind a separator.
    RecentRecordings(QMenu& fileMenu, Parts parts);

    // Reads the list from the settings file in use (start-up, Load Settings).
    void loadSaved();
    // A pair was loaded from base (its path without ".kvd").
    void loaded(const std::string& base);
    // At start-up without a file named: opens the newest when asked to.
    void openLastIfAsked();
    const std::vector<std::string>& paths() const { return m_list.paths; }

private:
    void rebuild();
    void store();

    Parts m_parts;
    RecentList m_list;
    QMenu* m_menu = nullptr;
    QAction* m_atStart = nullptr;
};

} // namespace kv
