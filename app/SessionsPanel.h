// SessionsPanel (dockSessions): the recordings under a folder, one row each,
// as kvtool summary finds and summarises them. File > "Open Folder…" chooses
// the folder; the rows come in as worker threads make them, with the progress
// shown, while the window goes on; opening another folder drops the old work
// at once. Double-click or Enter loads a row's recording through the window's
// own load; the loaded recording's row is highlighted. The folder and whether
// the panel shows are kept in [Player], and the folder is reopened at start.
#pragma once

#include "PlayerPreferences.h"

#include <QDockWidget>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFileSystemWatcher;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSortFilterProxyModel;
class QSplitter;
class QTableView;
class QTimer;

namespace kv {

class Dialogs;
class SessionsModel;
class SessionsTrendView;
class SummaryScan;
struct FileError;

class SessionsPanel : public QDockWidget {
    Q_OBJECT
public:
    SessionsPanel(QWidget* window, Dialogs& dialogs);
    ~SessionsPanel() override;

    // Adds "Open Folder…" and "Export Trend Report…" to the File menu (after
    // the items there) and "Sessions" to the View menu.
    void addMenuItems(QMenu& file, QMenu& view);
    // Shows the panel and reopens the folder as the preferences say.
    void applyPreferences(const PlayerPreferences& prefs,
                          std::function<std::string()> settingsPath);
    // The window is going: the panel's hiding is no choice to save.
    void windowClosing() { m_settingsPath = {}; }

    // Asks for a folder and opens it.
    void chooseFolder();
    // Asks where to save the trend report of the open folder and writes it.
    void exportTrendReport();
    // Lists the recordings under folder; false when it is no folder.
    bool openFolder(const std::string& folder);
    const std::string& folder() const { return m_folder; }
    // All rows are in (or there is no folder).
    bool filled() const;
    // Threads of this folder or of one opened before are still running.
    bool working() const;

    // The window loaded a recording (its pair's base name) or has none.
    void recordingLoaded(const std::string& base);
    void recordingDropped();

    // Keys the panel's widgets take themselves while they have the focus.
    bool ownsKey(QWidget* focus, const QKeyEvent* key) const;

    SessionsModel& model() const { return *m_model; }
    QTableView* table() const { return m_table; }
    SessionsTrendView& trend() const { return *m_trend; }

    std::function<void(const std::string& kvdPath)> onOpen; // load this recording
    std::function<void(const FileError&)> preferenceNotSaved;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeNews(unsigned generation);
    void openRow(int proxyRow);
    void stopScan();
    void showFinished();
    void folderChanged();
    void redrawTrend();
    void selectFile(const std::string& file);
    void savePreference(const char* key, const std::string& value);

    Dialogs& m_dialogs;
    SessionsModel* m_model;
    QSortFilterProxyModel* m_proxy;
    QTableView* m_table;
    QLineEdit* m_filter;
    QLabel* m_folderLabel;
    QLabel* m_status;
    QProgressBar* m_progress;
    QSplitter* m_split;
    SessionsTrendView* m_trend;
    QTimer* m_trendTimer; // redraws the trend a few times a second while rows come
    QElapsedTimer m_progressShown; // when the bar last moved
    QFileSystemWatcher* m_watcher = nullptr;
    QAction* m_openItem = nullptr;
    QAction* m_exportItem = nullptr;
    QAction* m_viewItem = nullptr;

    std::string m_folder;
    std::unique_ptr<SummaryScan> m_scan;
    std::vector<std::unique_ptr<SummaryScan>> m_stopping; // cancelled, threads ending
    unsigned m_generation = 0;
    std::size_t m_total = 0, m_done = 0, m_notOk = 0;
    std::vector<std::string> m_skipped;
    bool m_searching = false;
    bool m_applying = false;
    std::function<std::string()> m_settingsPath;
};

} // namespace kv
