// The menu bar's handlers that belong to the window: alerts, graph, audio,
// autosave and the recording view, and Apply_Settings, which makes menus
// and views agree with freshly loaded settings.
#include "MainWindow.h"

#include "AudioChannel.h"
#include "FileFunctions.h"
#include "GraphWidget.h"
#include "MeterPanelView.h"
#include "RecordingLoader.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>

namespace kv {

void MainWindow::connectMenus() {
    auto on = [this](const char* name, auto fn) {
        connect(m_menus.item(QString::fromLatin1(name)), &QAction::triggered, this, fn);
    };
    auto group = [this](const char* name, int first, int last, auto fn) {
        for (int i = first; i <= last; ++i)
            connect(m_menus.indexed(QString::fromLatin1(name), i), &QAction::triggered, this,
                    [fn, i] { fn(i); });
    };
    on("mnuExit", [this] { close(); });
    on("mnuTestOn", [this] { mnuTestOn_Click(); });
    group("mnuSettingsBodyMotionThreshold", 1, 3,
          [this](int i) { mnuSettingsBodyMotionThreshold_Click(i); });
    group("mnuSettingsLagThreshold", 1, 5, [this](int i) { mnuSettingsLagThreshold_Click(i); });
    group("mnuSettingsExtSwMode", 1, 2, [this](int i) { mnuSettingsExtSwMode_Click(i); });
    on("mnuSetBmFreezeOn", [this] { setFreeze(true); });
    on("mnuSetBmFreezeOff", [this] { setFreeze(false); });
    on("mnuSetNeedleBDOn", [this] { setNeedleBd(true); });
    on("mnuSetNeedleBDOff", [this] { setNeedleBd(false); });
    on("mnuViewGraph", [this] { mnuViewGraph_Click(); });
    on("mnuGraphGridX", [this] {
        m_ctx.settings->values.GridX = !m_ctx.settings->values.GridX;
        m_menus.item(QStringLiteral("mnuGraphGridX"))->setChecked(m_ctx.settings->values.GridX);
        m_graph->graph().options.GridX = m_ctx.settings->values.GridX;
    });
    on("mnuGraphGridY", [this] {
        m_ctx.settings->values.GridY = !m_ctx.settings->values.GridY;
        m_menus.item(QStringLiteral("mnuGraphGridY"))->setChecked(m_ctx.settings->values.GridY);
        m_graph->graph().options.GridY = m_ctx.settings->values.GridY;
    });
    on("mnuGraphInvert", [this] {
        m_ctx.settings->values.GraphInvert = !m_ctx.settings->values.GraphInvert;
        m_menus.item(QStringLiteral("mnuGraphInvert"))
            ->setChecked(m_ctx.settings->values.GraphInvert);
        m_graph->graph().options.GraphInvert = m_ctx.settings->values.GraphInvert;
        m_graph->graph().GraphResetPending = true;
    });
    group("mnuGraphHeightIndex", 1, 5, [this](int i) { mnuGraphHeightIndex_Click(i); });
    group("mnuGraphPenWidthIndex", 1, 3, [this](int i) { mnuGraphPenWidthIndex_Click(i); });
    group("mnuGraphTimescaleSecs", 1, 4, [this](int i) { mnuGraphTimescaleSecs_Click(i); });
    on("mnuRecAudioOn", [this] { mnuRecAudioOn_Click(); });
    on("mnuRecAudioOff", [this] { mnuRecAudioOff_Click(); });
    on("mnuSettingsAutoSaveOn", [this] { setAutoSave(1); });
    on("mnuSettingsAutoSavePrompt", [this] { setAutoSave(2); });
    on("mnuSettingsAutoSaveOff", [this] { setAutoSave(0); });
}

void MainWindow::mnuSettingsBodyMotionThreshold_Click(int index) {
    m_menus.checkOnly(QStringLiteral("mnuSettingsBodyMotionThreshold"), index);
    m_ctx.settings->values.BM_Threshold_Index = static_cast<std::int16_t>(index);
    m_meter.BmThreshold = bmThresholdFor(index);
}

void MainWindow::mnuSettingsLagThreshold_Click(int index) {
    m_menus.checkOnly(QStringLiteral("mnuSettingsLagThreshold"), index);
    m_ctx.settings->values.DataLag_Index = static_cast<std::int16_t>(index);
    m_meter.LagThreshold = lagThresholdFor(index);
}

void MainWindow::mnuSettingsExtSwMode_Click(int index) {
    m_menus.checkOnly(QStringLiteral("mnuSettingsExtSwMode"), index);
    m_ctx.settings->values.SwitchMode_Index = static_cast<std::int16_t>(index);
    m_lblTag->setVisible(index == 2);
}

void MainWindow::setFreeze(bool enabled) {
    m_ctx.settings->values.FreezeEnable = enabled;
    m_meter.FreezeEnable = enabled;
    m_menus.checkPair(QStringLiteral("mnuSetBmFreezeOn"), QStringLiteral("mnuSetBmFreezeOff"),
                      enabled);
}

void MainWindow::setNeedleBd(bool enabled) {
    m_ctx.settings->values.NeedleBdEnable = enabled;
    m_meter.NeedleBdEnable = enabled;
    m_menus.checkPair(QStringLiteral("mnuSetNeedleBDOn"), QStringLiteral("mnuSetNeedleBDOff"),
                      enabled);
}

void MainWindow::mnuViewGraph_Click() {
    Settings& s = m_ctx.settings->values;
    s.GraphVisible = !s.GraphVisible;
    m_menus.item(QStringLiteral("mnuViewGraph"))->setChecked(s.GraphVisible);
    m_graph->setVisible(s.GraphVisible);
    m_menus.menu(QStringLiteral("mnuGraph"))->setEnabled(s.GraphVisible);
    Form_Resize();
}

void MainWindow::mnuGraphHeightIndex_Click(int index) {
    m_menus.checkOnly(QStringLiteral("mnuGraphHeightIndex"), index);
    m_ctx.settings->values.GraphHeight_Index = std::to_string(index);
    Form_Resize();
}

void MainWindow::mnuGraphPenWidthIndex_Click(int index) {
    m_menus.checkOnly(QStringLiteral("mnuGraphPenWidthIndex"), index);
    m_ctx.settings->values.GraphPenWidth_Index = std::to_string(index);
    m_graph->graph().options.GraphPenWidth_Index = index;
    m_graph->graph().GraphResetPending = true;
}

void MainWindow::mnuGraphTimescaleSecs_Click(int index) {
    m_ctx.settings->values.GraphTimescale = std::to_string(index * 8);
    m_graph->graph().GraphResetPending = true;
}

void MainWindow::mnuRecAudioOn_Click() {
    m_menus.checkPair(QStringLiteral("mnuRecAudioOn"), QStringLiteral("mnuRecAudioOff"), true);
    m_ctx.settings->values.AudioEnable = true;
    m_ctx.audio->send("close WavFile");
    dropRecording();
}

void MainWindow::mnuRecAudioOff_Click() {
    m_menus.checkPair(QStringLiteral("mnuRecAudioOn"), QStringLiteral("mnuRecAudioOff"), false);
    m_ctx.settings->values.AudioEnable = false;
    dropRecording();
    if (!File_Exists(m_ctx.dummyAudioPath)) {
        LoadError e;
        e.type = LoadError::Type::DummyMissing;
        e.path = m_ctx.dummyAudioPath;
        m_dialogs->showMessage(e.message());
        return;
    }
    Update_Buttons();
}

void MainWindow::setAutoSave(int mode) {
    m_menus.item(QStringLiteral("mnuSettingsAutoSaveOn"))->setChecked(mode == 1);
    m_menus.item(QStringLiteral("mnuSettingsAutoSavePrompt"))->setChecked(mode == 2);
    m_menus.item(QStringLiteral("mnuSettingsAutoSaveOff"))->setChecked(mode == 0);
    m_ctx.config->AutoSaveMode = mode;
}

void MainWindow::mnuViewRecording_Click() {
    Settings& s = m_ctx.settings->values;
    s.RecordVisible = !s.RecordVisible;
    m_record->setVisible(true);
    m_record->setEnabled(true);
    if (s.SavePath.empty()) {
        const std::string docs = Get_MyDocumentsFolder();
        if (!docs.empty()) s.SavePath = joinPath(docs, "");
    }
    if (s.AudioEnable)
        mnuRecAudioOn_Click();
    else
        mnuRecAudioOff_Click();
    m_engine->PlayLoopEnable = s.PlayLoopEnable;
    showLoopPicture();
    Update_Buttons();
    Form_Resize();
}

void MainWindow::Apply_Settings() {
    Settings& s = m_ctx.settings->values;
    s.RecordVisible = false;
    mnuViewRecording_Click();
    if (!Is_Folder(s.SavePath)) s.SavePath.clear(); // Check_SavePath
    applySettingsToView();
    if (m_ctx.config->AutoSaveMode >= 0 && m_ctx.config->AutoSaveMode <= 2)
        setAutoSave(m_ctx.config->AutoSaveMode);
}

// Check marks, thresholds, graph options, freeze, counter and dial style from
// the settings just loaded: at start-up and after Load Settings.
void MainWindow::applySettingsToView() {
    Settings& s = m_ctx.settings->values;
    m_menus.checkOnly(QStringLiteral("mnuSettingsNeedleWidth"), s.Needle_Width);
    m_menus.checkOnly(QStringLiteral("mnuSetColNeedleShadow_Index"), s.ShadowNeedleColor_Index);
    mnuSettingsBodyMotionThreshold_Click(s.BM_Threshold_Index);
    mnuSettingsLagThreshold_Click(s.DataLag_Index);
    mnuGraphHeightIndex_Click(std::atoi(s.GraphHeight_Index.c_str()));
    mnuGraphPenWidthIndex_Click(std::atoi(s.GraphPenWidth_Index.c_str()));
    s.GraphVisible = !s.GraphVisible;
    mnuViewGraph_Click();
    s.GridX = !s.GridX;
    m_menus.item(QStringLiteral("mnuGraphGridX"))->trigger();
    s.GridY = !s.GridY;
    m_menus.item(QStringLiteral("mnuGraphGridY"))->trigger();
    s.GraphInvert = !s.GraphInvert;
    m_menus.item(QStringLiteral("mnuGraphInvert"))->trigger();
    mnuSettingsExtSwMode_Click(s.SwitchMode_Index);
    setFreeze(s.FreezeEnable);
    setNeedleBd(s.NeedleBdEnable);
    s.ChosenDialType = static_cast<std::int16_t>(s.DialType);
    m_meter.DialType = s.DialType;
}

} // namespace kv
