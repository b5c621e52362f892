// Segment editing in the window: the brackets, Expand and Save.
#include "MainWindow.h"
#include "RecordStrip.h"
#include "TextHelpers.h"

#include "AudioChannel.h"
#include "DialogFolder.h"
#include "MeterPanelView.h"
#include "PairFiles.h"
#include "PlayTime.h"
#include "PositionBar.h"
#include "SessionNavigator.h"
#include "SegmentEditor.h"
#include "StatusLine.h"

#include <QLabel>

#include <cmath>

namespace kv {
namespace {

// The overwrite question, about the files that will really be replaced.
UserMessage replaceQuestion(const std::vector<std::string>& existing) {
    std::string names;
    for (const std::string& f : existing)
        names += "\n" + f;
    return {(existing.size() == 1 ? "This file already exists:" : "These files already exist:") +
                names + "\n\nDo you want to replace " + (existing.size() == 1 ? "it?" : "them?"),
            "Save Recording As", MessageIcon::Exclamation};
}

} // namespace

// The data file of the recording in memory; "" for a "Buffer".
std::string MainWindow::loadedDataFile() const {
    const std::string& base = m_recording->LoadedFileBase;
    return base == "Buffer" ? std::string() : pairFile(base, ".kvd");
}

void MainWindow::cmdEditStart_Click() {
    if (!m_recording || m_engine->PlayMode != PlayState::Playing) return;
    m_engine->markSegmentStart();
    m_record->bar->clear();
    Update_Buttons();
}

void MainWindow::cmdEditEnd_Click() {
    if (!m_recording || m_engine->PlayMode != PlayState::Playing) return;
    m_engine->markSegmentEnd(); // the buttons stay as they are until their next update
    m_record->bar->clear();
}

void MainWindow::cmdExpand_Click() {
    if (!m_recording || m_engine->PlayMode != PlayState::Stopped) return;
    m_record->setEnabled(false);
    if (m_recording->LoadedFileBase != "Buffer") m_bufferSource = m_recording->LoadedFileBase;
    m_bufferNotes.cut(loadedDataFile(), m_recording->RecordCount, m_recording->LoopStartRecord,
                      m_recording->LoopEndRecord);
    const ExpandCut cut = Expand_Recording(*m_recording);
    RecordingFile& r = *m_recording;
    if (r.ClockStartSecs != 0)
        Update_Clock(r.ClockStartSecs / 3600, (r.ClockStartSecs / 60) % 60, r.RecordingDay);
    if (m_ctx.settings->values.AudioEnable) cutAudio(*m_ctx.audio, cut);
    m_record->lblLoadedFile->setText(QStringLiteral("Buffer"));
    m_record->lblLoadedFile->setToolTip(QString());
    m_panel->Update_FileDisplay("Buffer");
    m_record->lblPlayTime->setText(q(Format_PlayTime(0, r.TotalTimeMs)));
    m_record->lblTotalTime->setText(q(Format_PlayTime(r.TotalTimeMs / 1000, r.TotalTimeMs)));
    m_engine->rangeIsWholeAgain();
    m_record->bar->paintRange(0, PositionBar::kScaleWidth);
    m_navigator->recordingLoaded(r);
    m_record->setEnabled(true);
    Update_Buttons();
}

void MainWindow::cmdSave_Click() {
    if (!m_recording || m_engine->PlayMode != PlayState::Stopped) return;
    m_record->setEnabled(false);
    auto fail = [this](const FileError& e) {
        m_dialogs->showMessage({couldNotSaveText(e), kAppTitle, MessageIcon::None});
        showLoadedFile();
        m_record->setEnabled(true);
        Update_Buttons();
    };
    Settings& s = m_ctx.settings->values;
    FileDialogRequest request{"Save Recording As", "KVD file (*.kvd*)|*.kvd",
                              dialogFolder(m_recording->LoadedFileBase, s.SavePath), ""};
    request.defaultSuffix = "kvd";
    request.confirmOverwrite = false; // asked below about every file that will be replaced
    const auto chosen = m_dialogs->saveFile(request);
    if (!chosen) return fail({kErrCancelled, "Cancel was selected, so nothing was saved."});
    // A typed name without ".kvd" gets it, so the files written are the ones named.
    const std::string base = pairBaseOf(*chosen);
    // Neither the loaded recording nor the one a "Buffer" was cut from may be
    // replaced: their files are in use. Files are compared by identity.
    std::vector<std::string> inUse = filesInUse(*m_recording);
    if (m_recording->LoadedFileBase == "Buffer" && !m_bufferSource.empty())
        inUse.push_back(m_bufferSource + ".kvd");
    if (base == m_recording->LoadedFileBase ||
        (m_recording->LoadedFileBase == "Buffer" && base == m_bufferSource))
        return fail({kErrFileAlreadyOpen,
                     *chosen + " belongs to the recording in use, so it cannot be saved over"});
    PairSaveRequest save{base, inUse, {}, {}};
    if (auto refused = checkPairTarget(save, s.AudioEnable)) return fail(*refused);
    const std::int32_t segmentRecords =
        m_recording->LoopEndRecord - m_recording->LoopStartRecord + 1;
    if (segmentRecords < kMinRecords) return fail(tooFewRecordsError(segmentRecords));
    const std::vector<std::string> existing = existingPairFiles(base, s.AudioEnable);
    if (!existing.empty() && !m_dialogs->askYesNo(replaceQuestion(existing)))
        return fail({kErrCancelled, "Cancel was selected, so nothing was saved."});

    const bool whole =
        m_recording->LoopStartRecord == 1 && m_recording->LoopEndRecord == m_recording->RecordCount;
    std::string reload = base;
    if (!whole) {
        reload = m_recording->LoadedFileBase;
        cmdExpand_Click();
        m_record->setEnabled(false);
    }
    const auto sep = chosen->find_last_of("/\\");
    s.SavePath = sep == std::string::npos ? std::string() : chosen->substr(0, sep + 1);
    std::optional<FileError> unreadNotes;
    save.notes = m_bufferNotes.forSave(loadedDataFile(), m_recording->RecordCount, base + ".kvd",
                                       unreadNotes);
    if (unreadNotes) return fail(*unreadNotes);
    m_panel->Update_FileDisplay("Saving ......");
    m_record->bar->clear();
    save.progress = [this](int step) {
        m_record->bar->fillTo(PositionBar::kScaleWidth * step / 50);
        m_record->bar->repaint();
    };
    const PairSaveResult result =
        saveRecordingPair(*m_recording, s.AudioEnable ? m_ctx.audio : nullptr, save);
    if (!result.notice.empty())
        m_dialogs->showMessage({result.notice, kAppTitle, MessageIcon::Information});
    if (result.error) return fail(*result.error);
    if (!result.warning.empty())
        m_dialogs->showMessage({result.warning, kAppTitle, MessageIcon::Exclamation});
    if (reload == "Buffer") reload = m_bufferSource;
    m_status->fileWritten("Recording saved as", pairFile(base, ".kvd"));
    if (Load_File(reload)) {
        m_recording->LoadedFileBase = reload;
        m_record->bar->setEnabled(true);
        m_record->lblLoadedFile->setText(q(baseName(reload)));
        m_record->lblLoadedFile->setToolTip(q(reload));
    }
    m_record->setEnabled(true);
    Update_Buttons();
}

void MainWindow::showLoadedFile() {
    if (!m_recording) return;
    const RecordingFile& r = *m_recording;
    m_panel->Update_FileDisplay(r.LoadedFileBase);
    m_record->lblPlayTime->setText(q(Format_PlayTime(0, r.TotalTimeMs)));
    m_record->bar->paintRange(m_engine->LoopStartX, m_engine->LoopEndX);
}

} // namespace kv
