// Start-up and shutdown of the main window.
#include "MainWindow.h"

#include "AudioChannel.h"
#include "DockedExtent.h"
#include "ListeningMenu.h"
#include "MeterPanelView.h"
#include "PlayerPreferences.h"
#include "RecentRecordings.h"
#include "StatusLine.h"
#include "SessionsPanel.h"
#include "SessionNavigator.h"

#include <QApplication>
#include <QScreen>

#include <algorithm>
#include <iostream>

namespace kv {

// The stored left, top and width, then the stored state. A place on no
// screen (a screen since removed) moves onto the primary screen. Once the
// height has followed the width, a window whose lower part would lie below
// its screen (a place and width kept from a taller screen) moves up, so that
// its buttons can be reached.
void MainWindow::placeWindow(const SessionConfig& c) {
    QRect r(c.MainLeft, std::max<int>(c.MainTop, 0), std::max<int>(c.MainWidth, 650), height());
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QScreen* target = nullptr;
    for (const QScreen* s : QGuiApplication::screens())
        if (!target && s->availableGeometry().intersects(r)) target = s;
    if (!target && primary) {
        const QRect a = primary->availableGeometry();
        r.moveLeft(std::clamp(r.left(), a.left(), std::max(a.left(), a.right() + 1 - r.width())));
        r.moveTop(std::clamp(r.top(), a.top(), std::max(a.top(), a.bottom() + 1 - r.height())));
        target = primary;
    }
    // The stored place is the frame's: with a window manager the title bar
    // sits at the stored top, inside the screen, and the client area below it.
    resize(r.size());
    move(r.topLeft());
    Form_Resize(); // the height follows the width
    if (target) {
        const QRect a = target->availableGeometry();
        const QRect f = frameGeometry();
        // A docked panel widens the window: it moves left as far as needed.
        const bool docked = dockedExtent(*this).width() > 0;
        const int left = docked && f.right() > a.right()
                             ? std::max(a.left(), a.right() + 1 - f.width())
                             : f.left();
        const int top = f.bottom() > a.bottom() ? std::max(a.top(), a.bottom() + 1 - f.height())
                                                : f.top();
        if (left != f.left() || top != f.top()) move(left, top);
    }
    if (c.MainWindowState == 2) setWindowState(Qt::WindowMaximized);
    if (c.MainWindowState == 1) setWindowState(Qt::WindowMinimized);
}

void MainWindow::Form_Load(int screenWidth) {
    m_screenWidth = screenWidth;
    m_keyReleased = true;
    SessionConfig& c = *m_ctx.config;
    if (!c.Read_Config(m_ctx.appDirectory, screenWidth)) {
        if (!c.Write_Config(m_ctx.appDirectory,
                            WindowPlacement{double(c.MainLeft), double(c.MainTop),
                                            double(c.MainWidth), c.MainWindowState}))
            m_dialogs->showMessage(
                {"Error Saving Session Config File", "Save Config File", MessageIcon::Critical});
    }
    m_ctx.settings->SettingsFilePath = c.SettingsFilePath;
    m_ctx.settings->Load_Settings();
    m_navigator->applyPreferences(loadPlayerPreferences(m_ctx.settings->SettingsFilePath),
                                  [this] { return m_ctx.settings->SettingsFilePath; });
    m_sessions->applyPreferences(loadPlayerPreferences(m_ctx.settings->SettingsFilePath),
                                 [this] { return m_ctx.settings->SettingsFilePath; });
    m_meter.KnobIndex = std::clamp<int>(c.KnobIndex, 0, 63);
    m_knobUserIndex = m_meter.KnobIndex;
    placeWindow(c);
    m_normalModeText.clear();
    c.ConfigSpare = 0;
    Apply_Settings();
    m_listening->loadSaved();
    m_recent->loadSaved();
    m_status->loadSaved();
    applyColours();
    m_meter.MotionHoldSecs = 0.5;
    m_meter.startUp();
    // The user's own values until playback first saves them.
    m_userBdTotal = m_meter.BdTotal;
    m_userBdEnabled = m_meter.BdEnabled;
    m_engine->saved = {m_knobUserIndex, m_meter.FreezeEnable, m_meter.DialType, m_userBdTotal,
                       m_userBdEnabled};
    Draw_Panel();
    m_panel->setNeedle(restDeflection(m_meter.DialType), false);
}

void MainWindow::Form_QueryUnload(bool signalled) {
    m_closing = true;
    m_engine->abandon();
    if (m_testRunning) {
        m_testRunning = false;
        endTestMode();
    }
    // Ended by a signal nobody is there to answer a question: failures go
    // to standard error, and only what the "No" answer writes is written.
    auto report = [&](const UserMessage& m) {
        if (signalled)
            std::cerr << "kv_player: " << m.text << "\n";
        else
            m_dialogs->showMessage(m);
    };
    const std::int16_t state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    // A maximised or minimised window keeps the place it returns to.
    const QRect g = state == 0 ? geometry() : normalGeometry();
    // The place stored is the frame's, as the start-up places it.
    const QPoint frameAt = g.topLeft() - (geometry().topLeft() - frameGeometry().topLeft());
    m_ctx.config->KnobIndex = static_cast<std::int16_t>(m_knobUserIndex);
    // The settings file in use, as Load Settings or Save Settings As left it.
    m_ctx.config->SettingsFilePath = m_ctx.settings->SettingsFilePath;
    if (!m_ctx.config->Write_Config(
            m_ctx.appDirectory,
            WindowPlacement{double(frameAt.x()), double(frameAt.y()), double(g.width()), state}))
        report({"Error Saving Session Config File", "Save Config File", MessageIcon::Critical});
    SettingsStore& s = *m_ctx.settings;
    auto saveReported = [&](const std::optional<FileError>& e) {
        if (e) report({couldNotSaveSettingsText(*e), kAppTitle, MessageIcon::Exclamation});
        return !e;
    };
    // A file that could not be written is not asked about again.
    bool writable = saveReported(s.Save_RecordingSettings());
    if (writable && !signalled && m_ctx.config->AutoSaveMode == 1)
        writable = saveReported(s.Save_Settings());
    if (writable && !signalled && !s.Check_SettingsSaved() && m_ctx.config->AutoSaveMode == 2) {
        const UserMessage ask{"Save settings?\r\n\r\n( to " + s.SettingsFilePath + ")",
                              "Program settings have changed", MessageIcon::None};
        if (m_dialogs->askYesNo(ask)) saveReported(s.Save_Settings());
    }
    m_ctx.audio->send("close WavFile");
}

void MainWindow::endBySignal() {
    if (m_closing) return;
    Form_QueryUnload(true);
    close();
}

} // namespace kv
