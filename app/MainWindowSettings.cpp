// The settings commands of the File and Settings menus: loading and saving
// settings files, the colours, the shadow strength and the needle width.
#include "MainWindow.h"

#include "AboutBox.h"
#include "GraphWidget.h"
#include "FileFunctions.h"
#include "HelpWindow.h"
#include "ListeningMenu.h"
#include "MeterPanelView.h"
#include "MeterStyleDialog.h"
#include "PlayerPreferences.h"
#include "RecentRecordings.h"
#include "StatusLine.h"
#include "SessionsPanel.h"
#include "SessionNavigator.h"

#include <QMenu>

#include <QAction>
#include <QApplication>
#include <QScreen>

#include <algorithm>

namespace kv {

void MainWindow::connectSettingsMenus() {
    auto on = [this](const char* name, auto fn) {
        connect(m_menus.item(QString::fromLatin1(name)), &QAction::triggered, this, fn);
    };
    on("mnuLoadSettings", [this] { mnuLoadSettings_Click(); });
    on("mnuViewMeter", [this] { mnuViewMeter_Click(); });
    on("mnuhelpAbout", [this] {
        AboutBox about(this);
        m_dialogs->runModal(about);
    });
    on("mnuHelpHelp", [this] { mnuHelpHelp_Click(); });
    on("mnuSaveSettings", [this] { reportSettingsSave(m_ctx.settings->Save_Settings()); });
    on("mnuSaveSettingsAs", [this] { mnuSaveSettingsAs_Click(); });
    Settings& s = m_ctx.settings->values;
    struct Colour {
        const char* item;
        std::int32_t Settings::*value;
        enum { Redraw, None, Sheet, Background } followUp;
    };
    const Colour colours[] = {
        {"mnuSetColPanel", &Settings::Panel_Color, Colour::Redraw},
        {"mnuSetColDial", &Settings::Dial_Color, Colour::Redraw},
        {"mnuSetColNeedleMain", &Settings::MainNeedle_Color, Colour::Redraw},
        {"mnuSetColNeedleBm", &Settings::FreezeNeedle_Color, Colour::Redraw},
        {"mnuSetColScale", &Settings::Scale_Color, Colour::Redraw},
        {"mnuSetColText", &Settings::Text_Color, Colour::Redraw},
        {"mnuSetColAlertSet", &Settings::LED_Set_Color, Colour::None},
        {"mnuSetColAlertBM", &Settings::LED_BM_Color, Colour::None},
        {"mnuSetColAlertLag", &Settings::LED_Lag_Color, Colour::None},
        {"mnuSetColorGraphPen", &Settings::GraphPen_Color, Colour::None},
        {"mnuSetColorGraphSheet", &Settings::GraphSheet_Color, Colour::Sheet},
        {"mnuSetColorGraphGrid", &Settings::GraphGrid_Color, Colour::None},
        {"mnuSetColBackground", &Settings::Background_Color, Colour::Background},
    };
    for (const Colour& c : colours) {
        on(c.item, [this, &s, c] {
            // The dialog starts from the colour it returned last; the graph
            // pen starts from its own colour.
            const bool pen = c.value == &Settings::GraphPen_Color;
            const auto chosen = m_dialogs->chooseColour(pen ? s.GraphPen_Color : m_lastColour);
            if (!chosen) return;
            m_lastColour = *chosen;
            s.*c.value = *chosen;
            applyColours();
            if (c.followUp == Colour::Redraw) Draw_Panel();
            if (c.followUp == Colour::Sheet) m_graph->graph().GraphResetPending = true;
            if (c.followUp == Colour::Background) Form_Resize();
        });
    }
    on("mnuSettingsColorsDefault", [this] {
        m_ctx.settings->Set_DefaultColors();
        applyColours();
        Draw_Panel();
    });
    for (int i = 0; i <= 5; ++i)
        connect(m_menus.indexed(QStringLiteral("mnuSetColNeedleShadow_Index"), i),
                &QAction::triggered, this, [this, i] {
                    m_menus.checkOnly(QStringLiteral("mnuSetColNeedleShadow_Index"), i);
                    m_ctx.settings->values.ShadowNeedleColor_Index = static_cast<std::int16_t>(i);
                    m_panel->panel().style =
                        PanelStyle::from(m_ctx.settings->values, m_meter.DialType);
                });
    for (int i = 0; i <= 8; ++i)
        connect(m_menus.indexed(QStringLiteral("mnuSettingsNeedleWidth"), i), &QAction::triggered,
                this, [this, i] {
                    m_menus.checkOnly(QStringLiteral("mnuSettingsNeedleWidth"), i);
                    m_ctx.settings->values.Needle_Width = static_cast<std::int16_t>(i);
                    m_panel->panel().style.Needle_Width = i;
                    Form_Resize();
                    m_panel->update();
                });
}

void MainWindow::mnuViewMeter_Click() {
    MeterStyleDialog dialog(
        m_ctx.settings->values,
        [this](bool show) {
            m_menus.menu(QStringLiteral("mnuSetNeedleBD"))->menuAction()->setVisible(show);
        },
        this);
    // Centred over the window, its lower edge 83 pixels above the window's,
    // but always inside the screen's available area.
    QPoint at(x() + width() / 2 - dialog.width() / 2, y() + height() - dialog.height() - 83);
    if (const QScreen* s = screen()) {
        const QRect a = s->availableGeometry();
        at.setX(std::clamp(at.x(), a.left(), std::max(a.left(), a.right() + 1 - dialog.width())));
        at.setY(std::clamp(at.y(), a.top(), std::max(a.top(), a.bottom() + 1 - dialog.height())));
    }
    dialog.move(at);
    m_dialogs->runModal(dialog);
    if (m_engine->PlayMode != PlayState::Playing || m_meter.Override)
        m_meter.DialType = m_ctx.settings->values.DialType;
    Form_Resize();
    m_meter.ResetPending = true;
    Draw_Panel();
    m_panel->setNeedle(restDeflection(m_meter.DialType), false);
}

void MainWindow::mnuHelpHelp_Click() {
    if (!m_help) m_help = new HelpWindow(HelpWindow::defaultGuidePaths(), this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

// Every loaded value takes effect, as at start-up: menus, thresholds, freeze
// and counter, the recording options and the player's own preferences. The
// recording panel stays shown; a change of the audio setting acts as its menu.
void MainWindow::mnuLoadSettings_Click() {
    const auto chosen = m_dialogs->openFile(FileDialogRequest{
        "Load Settings File", "ini file (*.ini)|*.ini", "", m_ctx.settings->SettingsFilePath});
    if (!chosen) return;
    m_ctx.settings->SettingsFilePath = *chosen;
    m_ctx.settings->Load_Settings();
    Settings& s = m_ctx.settings->values;
    s.RecordVisible = true;
    if (!Is_Folder(s.SavePath)) s.SavePath.clear();
    if (s.AudioEnable != m_menus.item(QStringLiteral("mnuRecAudioOn"))->isChecked()) {
        if (s.AudioEnable)
            mnuRecAudioOn_Click();
        else
            mnuRecAudioOff_Click();
    }
    m_engine->PlayLoopEnable = s.PlayLoopEnable;
    showLoopPicture();
    applySettingsToView();
    m_navigator->applyPreferences(loadPlayerPreferences(m_ctx.settings->SettingsFilePath),
                                  [this] { return m_ctx.settings->SettingsFilePath; });
    m_sessions->applyPreferences(loadPlayerPreferences(m_ctx.settings->SettingsFilePath),
                                 [this] { return m_ctx.settings->SettingsFilePath; });
    m_listening->loadSaved();
    m_recent->loadSaved(); // the list and choices of the settings file now in use
    m_status->loadSaved();
    applyColours();
    Form_Resize();
    Draw_Panel();
    Update_Buttons();
}

void MainWindow::mnuSaveSettingsAs_Click() {
    const auto chosen = m_dialogs->saveFile(FileDialogRequest{
        "Save Settings As", "ini file (*.ini)|*.ini", "", m_ctx.settings->SettingsFilePath});
    if (!chosen) return;
    reportSettingsSave(m_ctx.settings->Save_SettingsAs(*chosen));
}

void MainWindow::reportSettingsSave(const std::optional<FileError>& error) {
    if (error)
        m_dialogs->showMessage(
            {couldNotSaveSettingsText(*error), kAppTitle, MessageIcon::Exclamation});
}

} // namespace kv
