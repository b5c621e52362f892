// MainWindow (frmMain): the player's window. It wires the widgets and menus
// to the playback engine and the meter model, and the engine's and model's
// notifications to the drawings. It owns the loaded recording: a recording
// is either wholly loaded or absent.
#pragma once

#include "Dialogs.h"
#include "MenuBar.h"
#include "MeterModel.h"
#include "PlaybackEngine.h"
#include "RecordingClock.h"
#include "RecordingFile.h"
#include "Scheduler.h"
#include "SegmentNotes.h"
#include "SessionConfig.h"
#include "Settings.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QToolButton;

namespace kv {

class AudioChannel;
class AudioListening;
class GraphWidget;
class ListeningMenu;
class HelpWindow;
class KeyTable;
class ReviewEditing;
class MeterPanelView;
class PositionBar;
class RecordStrip;
class RecentRecordings;
class ReportExport;
class SessionMoves;
class SessionNavigator;
class SessionsPanel;
class SiblingDropDown;
class StatusLine;
class WindowKeys;

// What the window needs from the program around it.
struct WindowContext {
    SettingsStore* settings = nullptr;
    SessionConfig* config = nullptr;
    AudioChannel* audio = nullptr;
    Scheduler* scheduler = nullptr; // the window's clock and timers
    std::string appDirectory;
    std::string dummyAudioPath;
    std::string demoFolder; // where the Load dialog starts when LoadPath does not exist
    AudioListening* listening = nullptr; // speed, volume, device of the channel, if it has them
};

class MainWindow : public QMainWindow, private PlaybackView, private MeterEvents {
    Q_OBJECT
public:
    // dialogs may be null: the window then uses the real Qt dialogs.
    MainWindow(const WindowContext& context, std::unique_ptr<Dialogs> dialogs = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up after the session configuration and settings are read.
    void Form_Load(int screenWidth);
    // The close request: stops playback, saves what is due, closes the audio.
    // When a signal ends the program nothing is asked: the session and the
    // recording section are written, as the "No" answer of the exit prompt does.
    void Form_QueryUnload(bool signalled = false);
    // SIGTERM, SIGINT or SIGHUP: shut down as above and close the window.
    void endBySignal();

    bool Load_File(const std::string& filename);
    void cmdLoad_Click();
    void openChosenFile(const std::string& path); // as the Load button does once a file is chosen
    // As the Load button does with a file chosen elsewhere (the sessions panel).
    void loadChosenFile(const std::string& path);
    void cmdLoad_MouseDown(Qt::MouseButton button);
    void cboFile_Click();
    void Update_Buttons() override;
    void Form_Resize();

    void chkOveride_Click(bool ticked);
    void cmdEditStart_Click();
    void cmdEditEnd_Click();
    void cmdExpand_Click();
    void cmdSave_Click();
    void mnuTestOn_Click();
    bool testRunning() const { return m_testRunning; }
    void Apply_Settings();

    bool isLoaded() const { return m_recording != nullptr; }
    const RecordingFile* recording() const { return m_recording.get(); }
    PlaybackEngine& engine() { return *m_engine; }
    MeterModel& meter() { return m_meter; }
    const MenuBar& menus() const { return m_menus; }
    ListeningMenu& listening() { return *m_listening; }
    Dialogs& dialogs() { return *m_dialogs; }
    MeterPanelView& panelView() { return *m_panel; }
    SessionNavigator& navigator() { return *m_navigator; }
    const KeyTable& keyTable() const { return *m_keyTable; }
    RecentRecordings& recent() { return *m_recent; }
    StatusLine& status() { return *m_status; }
    // Called after each record is drawn (measurements, tools).
    std::function<void(const SampleRecord&)> onRecordShown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    WindowKeys* m_keys = nullptr; // routes the keyboard to the key map
    std::unique_ptr<KeyTable> m_keyTable;    // every key of the window, with what it does
    SessionNavigator* m_navigator = nullptr; // overview strip, event list, event keys
    SessionMoves* m_moves = nullptr; // go to a time, fine steps
    RecentRecordings* m_recent = nullptr; // File > Recent Recordings
    StatusLine* m_status = nullptr; // what is in force: title and status bar
    SessionsPanel* m_sessions = nullptr;     // the recordings of a folder
    void reportSettingsSave(const std::optional<FileError>& error);
    // The loaded recording's readouts and bar as they stand (after a failed save).
    void showLoadedFile();
    std::string loadedDataFile() const;
    // PlaybackView
    void setRecordPanelEnabled(bool enabled) override;
    void Remove_Needle() override;
    void printBanner(const std::string& word) override;
    void Draw_Panel() override;
    void setElapsedText(const std::string& text) override;
    void Update_Clock(int hr, int min, std::int32_t day) override;
    void showRecord() override;
    void paintBarRange(int x0, int x1) override;
    void paintBarPlayed(int x0, int x1) override;
    void setModeText(const std::string& text) override;
    void playbackMenus(bool playing) override;
    void restoreUserSettings(const SavedUserSettings& saved) override;
    void keepUserSettings(SavedUserSettings& saved) override;
    void Update_RecordReadouts(std::int32_t index) override;
    void clearTag() override;
    void focusStop() override;
    void soundEndedEarly(std::int32_t atMs) override;
    void playbackMoved() override;
    // MeterEvents
    void Update_BaseDisplay(const std::string& text) override;
    void Update_BdDisplay(const std::string& text) override;
    void Update_LED(Lamp lamp) override;
    void Update_SensKnob() override;
    void Update_RecordReadouts() override;
    void showTag(std::uint16_t tag) override;

    // A recording plays without Override: the knob and the counter are its.
    bool recordingDrivesMeter() const {
        return m_engine->PlayMode == PlayState::Playing && !m_meter.Override;
    }
    void buildWidgets();
    void connectMenus();
    void applyColours();
    void Update_Needle();
    void armMeterTimers();
    void closeList();
    void dropRecording();
    void showFreshPanel();
    void setUserKnob(int index);
    void noteUserCounter();
    void dropStaleClock();
    std::string loadDialogFolder() const;
    void buildKeyTable();
    // The key map; each returns whether it knows the key.
    bool Form_KeyDown(QKeyEvent* event);
    bool Form_KeyUp(QKeyEvent* event);
    void counterPressed();
    void counterReleased();
    void knobMouse(int index);
    void showModeMessage(const std::string& text);
    void placeRecordStrip(int left, int top, int width, int height = 0);
    int recordStripHeight() const;
    void placeWindow(const SessionConfig& config);
    void showLoopPicture();
    int menuHeight() const;

    // Menu handlers
    void mnuSettingsBodyMotionThreshold_Click(int index);
    void mnuSettingsLagThreshold_Click(int index);
    void mnuSettingsExtSwMode_Click(int index);
    void setFreeze(bool on);
    void setNeedleBd(bool on);
    void mnuViewGraph_Click();
    void mnuGraphHeightIndex_Click(int index);
    void mnuGraphPenWidthIndex_Click(int index);
    void mnuGraphTimescaleSecs_Click(int index);
    void mnuRecAudioOn_Click();
    void mnuRecAudioOff_Click();
    void setAutoSave(int mode);
    void mnuViewRecording_Click();
    void connectSettingsMenus();
    void mnuLoadSettings_Click();
    void applySettingsToView();
    void mnuViewMeter_Click();
    void mnuHelpHelp_Click();
    void Run_TestMode();
    void testStep();
    void endTestMode();
    void mnuSaveSettingsAs_Click();

    WindowContext m_ctx;
    std::unique_ptr<Scheduler> m_ownScheduler;
    std::unique_ptr<Dialogs> m_dialogs;
    RecordingClock m_recordingClock; // the meter's clock: recording time at any speed
    MeterModel m_meter;
    std::unique_ptr<PlaybackEngine> m_engine;
    std::unique_ptr<RecordingFile> m_recording;
    MenuBar m_menus;
    ListeningMenu* m_listening = nullptr; // owned by the Audio menu
    bool m_keyReleased = true;
    std::string m_normalModeText;
    int m_knobUserIndex = 8; // the user's own knob position
    // The user's own counter, apart from a recording's shown while stopped.
    std::int16_t m_userBdTotal = 0;
    bool m_userBdEnabled = false;
    Scheduler::Id m_meterTimer = 0;
    std::unique_ptr<OneShot> m_tmrBdMouseDown;
    std::unique_ptr<OneShot> m_tmrMessage;
    int m_screenWidth = 1280;
    bool m_closing = false;
    bool m_inResize = false;
    int m_laidOutWidth = 0; // the central width the last layout was for
    std::string m_bufferSource;    // the recording a "Buffer" was cut from
    SegmentNotes m_bufferNotes;    // the reviewer's marks that go with a "Buffer"
    std::int32_t m_lastColour = 0; // what the colour dialog returned last
    bool m_testRunning = false;
    TestSwing m_swing;
    double m_testAudioMs = 0;
    Scheduler::Id m_testTimer = 0;

    HelpWindow* m_help = nullptr; // made on first use, owned by the window
    ReportExport* m_reportExport = nullptr; // File > Export Report, owned by the window
    ReviewEditing* m_review = nullptr;      // the reviewer's marks, owned by the window
    MeterPanelView* m_panel = nullptr;
    GraphWidget* m_graph = nullptr;
    RecordStrip* m_record = nullptr;
    SiblingDropDown* m_siblingList = nullptr; // the numbered siblings, over the file name
};

} // namespace kv
