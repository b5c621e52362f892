// MainWindow (frmMain): the player's window. It wires the widgets to the
// loader and the audio channel, and owns the loaded recording. A recording
// is either wholly loaded or absent: a failed load leaves nothing behind.
#pragma once

#include "Dialogs.h"
#include "RecordingFile.h"
#include "SessionConfig.h"
#include "Settings.h"
#include "SiblingList.h"

#include <QMainWindow>

#include <memory>
#include <string>

class QComboBox;
class QFrame;
class QLabel;
class QToolButton;

namespace kv {

class AudioChannel;
class MeterPanelView;
class PositionBar;

// What the window needs from the program around it.
struct WindowContext {
    SettingsStore* settings = nullptr;
    SessionConfig* config = nullptr;
    AudioChannel* audio = nullptr;
    std::string appDirectory;
    std::string dummyAudioPath;
    std::string demoFolder; // where the Load dialog starts when LoadPath does not exist
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // dialogs may be null: the window then uses the real Qt dialogs.
    MainWindow(const WindowContext& context, std::unique_ptr<Dialogs> dialogs = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    bool Load_File(const std::string& filename);
    void cmdLoad_Click();
    // Loads a .kvd file as the Load button does once a file is chosen.
    void openChosenFile(const std::string& path);
    void cmdLoad_MouseDown(Qt::MouseButton button);
    void cboFile_Click();
    void Update_Buttons();

    bool isLoaded() const { return m_recording != nullptr; }
    const RecordingFile* recording() const { return m_recording.get(); }
    Dialogs& dialogs() { return *m_dialogs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void applyColours();
    void pickFromList();
    void closeList();
    void resetToEmpty();
    std::string loadDialogFolder() const;

    WindowContext m_ctx;
    std::unique_ptr<Dialogs> m_dialogs;
    std::unique_ptr<RecordingFile> m_recording;
    std::optional<SiblingList> m_siblings;
    bool m_arrowHeld = false;

    MeterPanelView* m_panel = nullptr;
    QFrame* m_record = nullptr;
    QToolButton* m_cmdLoad = nullptr;
    QComboBox* m_cboFile = nullptr;
    QLabel* m_lblLoadedFile = nullptr;
    QLabel* m_lblPlayTime = nullptr;
    QLabel* m_lblTotalTime = nullptr;
    PositionBar* m_bar = nullptr;
};

} // namespace kv
