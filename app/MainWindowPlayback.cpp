// The window's side of playback: what the engine and the meter model ask it
// to show, the Override box, the keyboard map, the counter and the knob.
#include "MainWindow.h"
#include "TextHelpers.h"

#include "GainTable.h"
#include "GraphWidget.h"
#include "Knob.h"
#include "MeterPanelView.h"
#include "PositionBar.h"
#include "RecordStrip.h"
#include "SessionMoves.h"
#include "SessionNavigator.h"
#include "SoundEnd.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

namespace kv {

void MainWindow::setRecordPanelEnabled(bool enabled) {
    m_record->setEnabled(enabled);
}

void MainWindow::Remove_Needle() {
    m_panel->panel().Remove_Needle();
    m_panel->update();
}

void MainWindow::printBanner(const std::string& word) {
    m_panel->panel().printBanner(word);
    m_panel->update();
}

void MainWindow::Draw_Panel() {
    MeterPanel& p = m_panel->panel();
    p.style = PanelStyle::from(m_ctx.settings->values, m_meter.DialType);
    p.readouts.BaseText = m_meter.BaseText;
    p.readouts.BdText = m_meter.BdText;
    p.readouts.BdEnabled = m_meter.BdEnabled;
    p.readouts.knobIndex = m_meter.KnobIndex;
    p.readouts.playing = m_engine->PlayMode == PlayState::Playing;
    p.readouts.audioEnable = m_ctx.settings->values.AudioEnable;
    // The clock shows only for a loaded recording with a start time, at the
    // sound's position.
    p.readouts.clock.reset();
    if (m_recording && m_recording->AudioUnitsPerSec > 0) {
        m_engine->ShownSecs =
            static_cast<std::int32_t>(m_engine->AudioPosition / m_recording->AudioUnitsPerSec);
        if (m_recording->ClockStartSecs != 0) {
            const std::int32_t t = m_engine->ShownSecs + m_recording->ClockStartSecs;
            p.readouts.clock =
                PanelReadouts::Clock{t / 3600, (t / 60) % 60, m_recording->RecordingDay};
        }
    }
    p.Draw_Panel();
    m_panel->update();
}

void MainWindow::setElapsedText(const std::string& text) {
    m_record->lblPlayTime->setText(q(m_moves->elapsedText(text)));
}

void MainWindow::Update_Clock(int hr, int min, std::int32_t day) {
    m_panel->panel().readouts.clock = PanelReadouts::Clock{hr, min, day};
    int h = hr;
    m_panel->panel().Update_Clock(h, min, day);
    m_panel->update();
}

// One record shown: the per-sample step, the needle and the graph.
void MainWindow::showRecord() {
    m_meter.fireDueTimers();
    m_meter.Process_Sample();
    Update_Needle();
    if (m_ctx.settings->values.GraphVisible)
        m_graph->plot(m_meter.RawValue, m_meter.KnobIndex, false);
    armMeterTimers();
    if (onRecordShown) onRecordShown(m_meter.CurrentRecord);
}

void MainWindow::Update_Needle() {
    if (m_meter.ResetPending) Draw_Panel();
    const bool recorded = m_engine->PlayMode != PlayState::Stopped && !m_meter.Override;
    const std::int32_t v = recorded ? m_meter.CurrentRecord.NeedlePos : m_meter.computeDeflection();
    m_panel->setNeedle(v, m_meter.FreezeActive);
    m_meter.ResetPending = false;
}

// Keeps one scheduler timer on the model's next deadline (SET lamp hold,
// auto-SET at the dial's ends).
void MainWindow::armMeterTimers() {
    if (m_meterTimer) m_ctx.scheduler->cancel(m_meterTimer);
    m_meterTimer = 0;
    const auto next = m_meter.nextTimerDeadline();
    if (!next) return;
    m_meterTimer = m_ctx.scheduler->after(m_recordingClock.wallSecondsUntil(*next), [this] {
        m_meterTimer = 0;
        m_meter.fireDueTimers();
        armMeterTimers();
    });
}

void MainWindow::paintBarRange(int x0, int x1) {
    m_record->bar->paintRange(x0, x1);
}

void MainWindow::playbackMoved() {
    m_navigator->playbackMoved();
}

void MainWindow::paintBarPlayed(int x0, int x1) {
    m_record->bar->paintPlayed(x0, x1);
}

void MainWindow::setModeText(const std::string& text) {
    m_normalModeText = text;
    MeterPanel& p = m_panel->panel();
    p.readouts.playing = m_engine->PlayMode == PlayState::Playing;
    p.readouts.audioEnable = m_ctx.settings->values.AudioEnable;
    if (!p.readouts.messageShowing) p.readouts.modeText = text;
    p.Update_ModeDisplay();
    m_panel->update();
}

void MainWindow::playbackMenus(bool playing) {
    m_menus.menu(QStringLiteral("mnuFile"))->setEnabled(!playing);
    m_menus.item(QStringLiteral("mnuViewRecording"))->setEnabled(false);
    if (!playing || !m_meter.Override) {
        m_menus.menu(QStringLiteral("mnuSettingsBmFreeze"))->setEnabled(!playing);
        m_menus.item(QStringLiteral("mnuViewMeter"))->setEnabled(!playing);
    }
}

void MainWindow::restoreUserSettings(const SavedUserSettings& saved) {
    // The restored knob is the user's own from now on: the window and the
    // session file keep one position.
    m_meter.KnobIndex = saved.KnobIndex;
    m_knobUserIndex = saved.KnobIndex;
    m_userBdTotal = saved.BdTotal;
    m_userBdEnabled = saved.BdEnabled;
    Update_SensKnob();
    m_meter.FreezeEnable = saved.FreezeEnable;
    m_ctx.settings->values.FreezeEnable = saved.FreezeEnable;
    m_menus.checkPair(QStringLiteral("mnuSetBmFreezeOn"), QStringLiteral("mnuSetBmFreezeOff"),
                      saved.FreezeEnable);
    m_meter.DialType = saved.DialType;
    m_meter.BdTotal = saved.BdTotal;
    m_meter.BdEnabled = saved.BdEnabled;
    m_meter.BdText = Format_BdText(static_cast<std::int16_t>(saved.BdTotal / 4));
    Draw_Panel();
    Update_BdDisplay(m_meter.BdText);
}

// The knob shown while stopped may be a recording's; the user's own is kept apart.
void MainWindow::keepUserSettings(SavedUserSettings& saved) {
    saved.KnobIndex = m_knobUserIndex;
    saved.BdTotal = m_userBdTotal;
    saved.BdEnabled = m_userBdEnabled;
}

void MainWindow::Update_RecordReadouts(std::int32_t index) {
    if (!m_recording || index < 1 || index > m_recording->RecordCount) return;
    const SampleRecord& r = m_recording->record(index);
    m_engine->ShownSecs = r.TimeMs / 1000;
    if (m_recording->ClockStartSecs != 0) {
        const std::int32_t c = m_recording->ClockStartSecs + m_engine->ShownSecs;
        Update_Clock(c / 3600, (c / 60) % 60, m_recording->RecordingDay);
    }
    if (!m_meter.Override) m_meter.applyReadouts(r);
}

void MainWindow::Update_RecordReadouts() {
    Update_RecordReadouts(m_engine->RecordCursor);
}

// After a load or a failed one the panel shows the new state as a stop
// leaves it: the range start's readouts, or the user's own without a
// recording or under Override; nothing of the recording before.
void MainWindow::showFreshPanel() {
    clearTag();
    if (!m_meter.Override) { // the user's own counter, as the recording before found it
        m_meter.BdEnabled = m_userBdEnabled;
        m_meter.BdTotal = m_userBdTotal;
    }
    m_meter.forgetRecording(m_knobUserIndex, m_ctx.settings->values.ChosenDialType);
    if (m_recording) Update_RecordReadouts(std::max(1, m_recording->LoopStartRecord));
    m_panel->setNeedle(restDeflection(m_meter.DialType), false);
    m_graph->graph().GraphResetPending = true;
    m_graph->plot(0, m_meter.KnobIndex, false);
}

void MainWindow::clearTag() {
    m_record->lblTag->clear();
}

void MainWindow::focusStop() {
    m_record->cmdStop->setFocus();
}

void MainWindow::soundEndedEarly(std::int32_t atMs) {
    if (m_recording)
        m_dialogs->showMessage(
            {soundEndedText(atMs, m_recording->TotalTimeMs), kAppTitle, MessageIcon::Information});
}

void MainWindow::Update_BaseDisplay(const std::string& text) {
    m_panel->panel().Update_BaseDisplay(text);
    m_panel->updatePanelRect(m_panel->panel().baseRect());
}

void MainWindow::Update_BdDisplay(const std::string& text) {
    m_panel->panel().readouts.BdEnabled = m_meter.BdEnabled;
    m_panel->panel().Update_BdDisplay(text);
    m_panel->updatePanelRect(m_panel->panel().counterRect());
}

void MainWindow::Update_LED(Lamp lamp) {
    m_panel->panel().Update_LED(
        lampColour(PanelStyle::from(m_ctx.settings->values, m_meter.DialType), lamp));
    m_panel->update();
}

void MainWindow::Update_SensKnob() {
    m_panel->panel().readouts.knobIndex = m_meter.KnobIndex;
    m_panel->panel().Update_SensKnob();
    m_panel->updatePanelRect(m_panel->panel().knobRect());
}

void MainWindow::showTag(std::uint16_t tag) {
    m_record->lblTag->setText(QString::number(tag));
}

void MainWindow::chkOveride_Click(bool ticked) {
    m_meter.ResetPending = true;
    m_meter.Override = ticked;
    m_menus.menu(QStringLiteral("mnuSettingsBmFreeze"))->setEnabled(ticked);
    if (!ticked) return;
    m_menus.item(QStringLiteral("mnuViewMeter"))->setEnabled(true);
    if (m_engine->PlayMode == PlayState::Testing) return; // test mode keeps its own knob
    // The user's own values: those playback saved when it started, or, with
    // nothing playing, those kept apart from a recording's; the dial is
    // always the chosen one.
    SavedUserSettings own = m_engine->saved;
    if (m_engine->PlayMode != PlayState::Playing)
        own = {m_knobUserIndex, m_ctx.settings->values.FreezeEnable, 0, m_userBdTotal,
               m_userBdEnabled};
    own.DialType = m_ctx.settings->values.ChosenDialType;
    restoreUserSettings(own);
    if (m_engine->PlayMode != PlayState::Playing)
        m_panel->setNeedle(restDeflection(m_meter.DialType), false);
}

// Every user change of the knob moves the position shown, the one playback
// restores and the one the session file keeps.
void MainWindow::setUserKnob(int index) {
    m_meter.KnobIndex = std::clamp(index, 0, 63);
    m_knobUserIndex = m_meter.KnobIndex;
    m_engine->saved.KnobIndex = m_meter.KnobIndex;
    Update_SensKnob();
}

// The knob turns by mouse except while a recording plays without Override.
void MainWindow::knobMouse(int index) {
    if (recordingDrivesMeter()) return;
    setUserKnob(index); // a drag is a change of the user's as a press is
}

void MainWindow::counterPressed() {
    if (recordingDrivesMeter()) return;
    m_tmrBdMouseDown->start();
}

void MainWindow::counterReleased() {
    if (!m_tmrBdMouseDown->running()) return; // held 1.5 s: the counter was zeroed instead
    m_tmrBdMouseDown->stop();
    m_meter.toggleCounter();
    noteUserCounter();
}

// A counter the user switched or zeroed is the user's own, kept as the knob is.
void MainWindow::noteUserCounter() {
    if (recordingDrivesMeter()) return; // the recording's counter
    m_engine->saved.BdEnabled = m_userBdEnabled = m_meter.BdEnabled;
    m_engine->saved.BdTotal = m_userBdTotal = m_meter.BdTotal;
}

void MainWindow::showModeMessage(const std::string& text) {
    MeterPanel& p = m_panel->panel();
    p.readouts.messageShowing = false;
    p.readouts.modeText = text;
    p.Update_ModeDisplay();
    p.readouts.messageShowing = true;
    m_panel->update();
    m_tmrMessage->start();
}

} // namespace kv
