// Test mode: the needle swings on a sine wave whose speed follows the knob,
// clocked by the placeholder sound played through the audio channel.
#include "MainWindow.h"

#include "AudioChannel.h"
#include "AudioCommand.h"
#include "FileFunctions.h"
#include "GraphWidget.h"
#include "MeterPanelView.h"
#include "PlayTime.h"
#include "PositionBar.h"
#include "RecordingLoader.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>

#include <cstdlib>

namespace kv {

void MainWindow::mnuTestOn_Click() {
    QAction* item = m_menus.item(QStringLiteral("mnuTestOn"));
    if (m_testRunning) {
        item->setText(QStringLiteral("Start"));
        m_testRunning = false; // the loop ends at its next pass
        return;
    }
    item->setText(QStringLiteral("Stop"));
    m_testRunning = true;
    Run_TestMode();
}

void MainWindow::Run_TestMode() {
    dropRecording();
    m_panel->Update_FileDisplay("Adjust needle speed with sensitivity knob");
    m_meter.BaseText.clear();
    m_meter.BdText = "0.0";
    m_meter.BdEnabled = false;
    m_lblTotalTime->clear();
    m_chkOveride->setChecked(false);
    m_meter.Override = false;
    Draw_Panel();
    if (!File_Exists(m_ctx.dummyAudioPath)) {
        LoadError e;
        e.type = LoadError::Type::DummyMissing;
        e.path = m_ctx.dummyAudioPath;
        m_dialogs->showMessage(e.message());
        // Nothing runs without the clock: the menu reads "Start" again at once.
        m_menus.item(QStringLiteral("mnuTestOn"))->setText(QStringLiteral("Start"));
        m_testRunning = false;
        return;
    }
    m_record->setEnabled(false);
    m_engine->PlayMode = 4;
    m_knobUserIndex = m_meter.KnobIndex; // restored when the test ends
    m_meter.TestRunning = true;
    setModeText("Test Mode");
    m_ctx.audio->send("close WavFile");
    m_ctx.audio->send("open " + quoteCommandWord(m_ctx.dummyAudioPath) +
                      " type mpegvideo alias WavFile");
    m_ctx.audio->send("play WavFile");
    m_meter.KnobIndex = 32;
    Update_SensKnob();
    m_swing = TestSwing{};
    testStep();
}

void MainWindow::testStep() {
    m_testTimer = 0;
    if (!m_testRunning) return endTestMode();
    const AudioReply pos = m_ctx.audio->send("status WavFile position");
    if (pos.ok()) m_testAudioMs = std::strtod(pos.text.c_str(), nullptr); // mpegvideo: milliseconds
    if (const auto needle = m_swing.step(m_testAudioMs, m_meter.KnobIndex)) {
        m_meter.CurrentRecord.NeedlePos = *needle;
        Update_Needle();
        m_meter.RawValue = *needle;
        if (m_ctx.settings->values.GraphVisible)
            m_graph->plot(m_meter.RawValue, m_meter.KnobIndex, true);
    }
    m_testTimer = m_ctx.scheduler->after(0.005, [this] { testStep(); });
}

void MainWindow::endTestMode() {
    if (m_testTimer) m_ctx.scheduler->cancel(m_testTimer);
    m_testTimer = 0;
    m_ctx.audio->send("stop WavFile");
    m_ctx.audio->send("close WavFile");
    m_record->setEnabled(true);
    m_engine->PlayMode = 0;
    m_meter.TestRunning = false;
    setModeText("");
    m_panel->Update_FileDisplay("No File Loaded");
    m_meter.KnobIndex = m_knobUserIndex;
    Update_SensKnob();
    Draw_Panel();
    Update_Buttons();
}

} // namespace kv
