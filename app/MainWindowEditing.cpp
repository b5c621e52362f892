// Segment editing in the window: the brackets, Expand and Save.
#include "MainWindow.h"
#include "TextHelpers.h"

#include "AudioChannel.h"
#include "MeterPanelView.h"
#include "PlayTime.h"
#include "PositionBar.h"
#include "SegmentEditor.h"

#include <QFrame>
#include <QLabel>

#include <cmath>

namespace kv {
void MainWindow::cmdEditStart_Click() {
    if (!m_recording || m_engine->PlayMode != 2) return;
    PlaybackEngine& e = *m_engine;
    e.SegmentStartMarked = true;
    const std::int32_t cursor = std::clamp(e.RecordCursor, 1, m_recording->RecordCount);
    m_recording->LoopStartRecord = cursor;
    m_meter.CurrentRecord = m_recording->record(cursor);
    e.SeekPosition = std::to_string(
        roundHalfEven(m_recording->AudioUnitsPerSec / 1000.0 * m_meter.CurrentRecord.TimeMs));
    e.LoopStartX = static_cast<int>(
        roundHalfEven(static_cast<double>(cursor) / m_recording->RecordCount * 1000));
    m_bar->clear();
    e.BarResetPending = true;
    Update_Buttons();
}

void MainWindow::cmdEditEnd_Click() {
    if (!m_recording || m_engine->PlayMode != 2) return;
    PlaybackEngine& e = *m_engine;
    const std::int32_t cursor = std::clamp(e.RecordCursor, 1, m_recording->RecordCount);
    m_recording->LoopEndRecord = cursor;
    e.LoopEndX = static_cast<int>(
        roundHalfEven(static_cast<double>(cursor) / m_recording->RecordCount * 1000));
    m_bar->clear();
    e.BarResetPending = true;
    e.SegmentStartMarked = false; // the buttons stay as they are until their next update
}

void MainWindow::cmdExpand_Click() {
    if (!m_recording || m_engine->PlayMode != 0) return;
    m_record->setEnabled(false);
    if (m_recording->LoadedFileBase != "Buffer") m_bufferSource = m_recording->LoadedFileBase;
    const ExpandCut cut = Expand_Recording(*m_recording);
    RecordingFile& r = *m_recording;
    if (r.ClockStartSecs != 0)
        Update_Clock(r.ClockStartSecs / 3600, (r.ClockStartSecs / 60) % 60, r.RecordingDay);
    if (m_ctx.settings->values.AudioEnable) cutAudio(*m_ctx.audio, cut);
    m_lblLoadedFile->setText(QStringLiteral("Buffer"));
    m_lblLoadedFile->setToolTip(QString());
    m_panel->Update_FileDisplay("Buffer");
    m_lblPlayTime->setText(q(Format_PlayTime(0, r.TotalTimeMs)));
    m_lblTotalTime->setText(q(Format_PlayTime(r.TotalTimeMs / 1000, r.TotalTimeMs)));
    m_engine->TransportState = 0;
    m_engine->LoopStartX = 0;
    m_engine->LoopEndX = PositionBar::kScaleWidth;
    m_engine->SeekPosition = std::to_string(0);
    m_bar->paintRange(0, PositionBar::kScaleWidth);
    m_record->setEnabled(true);
    Update_Buttons();
}

void MainWindow::cmdSave_Click() {
    if (!m_recording || m_engine->PlayMode != 0) return;
    m_record->setEnabled(false);
    auto fail = [this](const FileError& e) {
        m_dialogs->showMessage({couldNotSaveText(e), kAppTitle, MessageIcon::None});
        m_record->setEnabled(true);
        Update_Buttons();
    };
    Settings& s = m_ctx.settings->values;
    const auto chosen = m_dialogs->saveFile(
        FileDialogRequest{"Save Recording As", "KVD file (*.kvd*)|*.kvd", s.SavePath, ""});
    if (!chosen) return fail({kErrCancelled, "Cancel was selected."});
    const std::string base = chosen->size() > 4 ? chosen->substr(0, chosen->size() - 4) : *chosen;
    // Neither the loaded recording nor the one a "Buffer" was cut from may be
    // overwritten: their files are in use.
    if (base == m_recording->LoadedFileBase ||
        (m_recording->LoadedFileBase == "Buffer" && base == m_bufferSource))
        return fail({kErrFileAlreadyOpen, "File already open"});
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
    m_panel->Update_FileDisplay("Saving ......");
    m_bar->clear();
    const auto error = saveRecordingPair(*m_recording, base, s.AudioEnable ? m_ctx.audio : nullptr,
                                         [this](int step) {
                                             m_bar->fillTo(PositionBar::kScaleWidth * step / 50);
                                             m_bar->repaint();
                                         });
    if (error) return fail(*error);
    if (reload == "Buffer") reload = m_bufferSource;
    if (Load_File(reload)) {
        m_recording->LoadedFileBase = reload;
        m_bar->setEnabled(true);
        m_lblLoadedFile->setText(q(baseName(reload)));
        m_lblLoadedFile->setToolTip(q(reload));
    }
    m_record->setEnabled(true);
    Update_Buttons();
}

} // namespace kv
