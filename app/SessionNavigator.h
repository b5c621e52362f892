// SessionNavigator: the session overview strip, the event list and the
// next/previous-event keys, as one part of the window. It finds the events
// of a recording once when it is loaded, keeps the strip and the list in step
// with playback, and turns clicks on them into the engine's own jumps and
// range choices, so they behave as the position bar does.
#pragma once

#include "PlayerPreferences.h"
#include "RecordingEvents.h"
#include "ReviewNotes.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QWidget;

namespace kv {

class Dialogs;
class EventListPanel;
class OverviewWidget;
class PlaybackEngine;
struct FileError;
struct RecordingFile;

class SessionNavigator : public QObject {
    Q_OBJECT
public:
    // The strip is made a child of stripParent; the list docks in window.
    SessionNavigator(QMainWindow& window, QWidget& stripParent, PlaybackEngine& engine,
                     Dialogs& dialogs);

    OverviewWidget& overview() const { return *m_overview; }
    EventListPanel& eventList() const { return *m_list; }
    const std::vector<RecordingEvent>& events() const { return m_events; }

    // Adds "Session Overview", "Event List", "Next Event" and "Previous Event"
    // to the View menu, behind a separator (their keys are the window's key table's).
    void addMenuItems(QMenu& view);
    // Shows and hides the parts as the preferences say; `settingsPath` gives
    // the settings file the choices are saved to.
    void applyPreferences(const PlayerPreferences& prefs,
                          std::function<std::string()> settingsPath);

    bool overviewShown() const { return m_showOverview; }
    // The window is going: its parts hide as they are destroyed, and that is
    // no choice of the user's to save.
    void windowClosing() { m_settingsPath = {}; }

    void recordingLoaded(const RecordingFile& recording);
    void recordingDropped();
    // Playback moved or its range changed: the cursor, the shading, the highlighted row.
    void playbackMoved();

    // The reviewer's marks of the loaded recording, shown in the list and on
    // the strip (null: none); they outlive their use here.
    void showReview(const ReviewNotes* notes);

    // Goes to the next or previous event of the kinds the list shows, or
    // note; false when there is none.
    bool goToNextEvent();
    bool goToPreviousEvent();

    std::function<void()> layoutChanged;                      // the strip was shown or hidden
    // A recording was loaded (or made by Expand), or none is loaded any more.
    std::function<void(const RecordingFile*)> recordingChanged;
    std::function<void(const FileError&)> preferenceNotSaved; // the settings file refused a choice
    std::function<void(const std::string&)> fileWritten;      // an export was written there

private:
    void setOverviewShown(bool shown, bool save);
    void savePreference(const char* key, const std::string& value);
    void exportEvents();
    std::uint32_t kinds() const;
    // The record of the note nearest after (or before) `at`, if any.
    std::optional<std::int32_t> noteAfter(std::int32_t at) const;
    std::optional<std::int32_t> noteBefore(std::int32_t at) const;

    QMainWindow& m_window;
    PlaybackEngine& m_engine;
    Dialogs& m_dialogs;
    OverviewWidget* m_overview;
    EventListPanel* m_list;
    QAction* m_overviewItem = nullptr;
    QAction* m_listItem = nullptr;
    const RecordingFile* m_recording = nullptr;
    std::vector<RecordingEvent> m_events;
    const ReviewNotes* m_review = nullptr;
    bool m_showOverview = false;
    bool m_applying = false; // preferences being applied: nothing to save
    std::function<std::string()> m_settingsPath;
};

} // namespace kv
