#include "ListeningMenu.h"

#include "AudioListening.h"
#include "Dialogs.h"
#include "PlaybackEngine.h"
#include "RecordingClock.h"
#include "SyncOffsetDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <algorithm>

namespace kv {
namespace {

QString speedCaption(int percent) {
    return QString::number(percent / 100.0) + QStringLiteral("×");
}

QAction* radio(QMenu* menu, QActionGroup* group, const QString& name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(true);
    group->addAction(a);
    return a;
}

} // namespace

ListeningMenu::ListeningMenu(QMenu* audioMenu, Parts parts)
    : QObject(audioMenu), m_parts(std::move(parts)) {
    audioMenu->addSeparator();

    m_speedMenu = audioMenu->addMenu(QStringLiteral("Speed"));
    m_speedMenu->setObjectName(QStringLiteral("mnuListenSpeed"));
    auto* speeds = new QActionGroup(m_speedMenu);
    for (int p : kSpeeds) {
        QAction* a =
            radio(m_speedMenu, speeds, QStringLiteral("mnuListenSpeed%1").arg(p), speedCaption(p));
        connect(a, &QAction::triggered, this, [this, p] { chooseSpeed(p); });
    }

    QAction* offset = audioMenu->addAction(QStringLiteral("Sync Offset…"));
    offset->setObjectName(QStringLiteral("mnuListenSyncOffset"));
    connect(offset, &QAction::triggered, this, [this] { askSyncOffset(); });

    m_deviceMenu = audioMenu->addMenu(QStringLiteral("Output Device"));
    m_deviceMenu->setObjectName(QStringLiteral("mnuListenDevice"));
    // The devices are listed afresh each time the menu opens.
    connect(m_deviceMenu, &QMenu::aboutToShow, this, [this] { fillDeviceMenu(); });
    fillDeviceMenu();

    m_volumeMenu = audioMenu->addMenu(QStringLiteral("Volume"));
    m_volumeMenu->setObjectName(QStringLiteral("mnuListenVolume"));
    auto* volumes = new QActionGroup(m_volumeMenu);
    for (int p = 0; p <= 100; p += 10) {
        QAction* a = radio(m_volumeMenu, volumes, QStringLiteral("mnuListenVolume%1").arg(p),
                           QStringLiteral("%1 %").arg(p));
        connect(a, &QAction::triggered, this, [this, p] { chooseVolume(p); });
    }

    m_mute = audioMenu->addAction(QStringLiteral("Mute"));
    m_mute->setObjectName(QStringLiteral("mnuListenMute"));
    m_mute->setCheckable(true);
    connect(m_mute, &QAction::triggered, this, [this](bool on) { setMute(on); });

    if (m_parts.listening)
        m_parts.listening->onNotice = [this](const std::string& text) {
            if (m_parts.showMessage) m_parts.showMessage(text);
        };
    showChecks();
}

void ListeningMenu::loadSaved() {
    m_prefs = loadPlayerPreferences(m_parts.settingsPath());
    const double speed = m_prefs.SpeedPercent / 100.0;
    if (m_parts.listening) {
        m_parts.listening->setSpeed(speed);
        m_parts.listening->setOutputDevice(m_prefs.OutputDevice);
    }
    m_parts.engine->setSpeed(speed);
    m_parts.engine->SyncOffsetMs = m_prefs.SyncOffsetMs;
    m_parts.clock->setSpeed(speed);
    if (m_parts.fastPlayback) m_parts.fastPlayback(speed > 1.0);
    applyVolume();
    showChecks();
}

void ListeningMenu::chooseSpeed(int percent) {
    m_prefs.SpeedPercent = percent;
    const double speed = percent / 100.0;
    if (m_parts.listening) m_parts.listening->setSpeed(speed);
    m_parts.engine->setSpeed(speed);
    m_parts.clock->setSpeed(speed);
    if (m_parts.fastPlayback) m_parts.fastPlayback(speed > 1.0);
    save("SpeedPercent", std::to_string(percent));
}

void ListeningMenu::askSyncOffset() {
    SyncOffsetDialog dialog(m_prefs.SyncOffsetMs, m_speedMenu->parentWidget());
    m_parts.dialogs->runModal(dialog);
    if (dialog.result() != QDialog::Accepted) return;
    m_prefs.SyncOffsetMs = dialog.offsetMs();
    m_parts.engine->SyncOffsetMs = m_prefs.SyncOffsetMs;
    save("SyncOffsetMs", std::to_string(m_prefs.SyncOffsetMs));
}

void ListeningMenu::chooseDevice(const std::string& name) {
    m_prefs.OutputDevice = name;
    if (m_parts.listening) m_parts.listening->setOutputDevice(name);
    save("OutputDevice", name);
}

void ListeningMenu::chooseVolume(int percent) {
    m_prefs.VolumePercent = percent;
    applyVolume();
    save("VolumePercent", std::to_string(percent));
}

void ListeningMenu::setMute(bool on) {
    m_prefs.Mute = on;
    applyVolume();
    save("Mute", on ? "1" : "0");
}

void ListeningMenu::applyVolume() {
    if (m_parts.listening)
        m_parts.listening->setVolume(m_prefs.Mute ? 0.0 : m_prefs.VolumePercent / 100.0);
}

// "System default" and the devices present now; the saved device is listed
// (and checked) even when it is gone, so the choice can be seen and changed.
void ListeningMenu::fillDeviceMenu() {
    m_deviceMenu->clear();
    for (QActionGroup* g : m_deviceMenu->findChildren<QActionGroup*>())
        delete g;
    auto* group = new QActionGroup(m_deviceMenu);
    QAction* def = radio(m_deviceMenu, group, QStringLiteral("mnuListenDeviceDefault"),
                         QStringLiteral("System default"));
    def->setChecked(m_prefs.OutputDevice.empty());
    connect(def, &QAction::triggered, this, [this] { chooseDevice({}); });
    std::vector<std::string> names;
    if (m_parts.listening) names = m_parts.listening->outputDevices();
    if (!m_prefs.OutputDevice.empty() &&
        std::find(names.begin(), names.end(), m_prefs.OutputDevice) == names.end()) {
        QAction* gone =
            radio(m_deviceMenu, group, QStringLiteral("mnuListenDeviceGone"),
                  QString::fromStdString(m_prefs.OutputDevice) + QStringLiteral(" (not found)"));
        gone->setChecked(true);
        gone->setEnabled(false);
    }
    for (const std::string& name : names) {
        QAction* a = radio(m_deviceMenu, group, QStringLiteral("mnuListenDeviceItem"),
                           QString::fromStdString(name));
        a->setChecked(name == m_prefs.OutputDevice);
        connect(a, &QAction::triggered, this, [this, name] { chooseDevice(name); });
    }
}

void ListeningMenu::showChecks() {
    for (QAction* a : m_speedMenu->actions())
        a->setChecked(a->objectName() ==
                      QStringLiteral("mnuListenSpeed%1").arg(m_prefs.SpeedPercent));
    for (QAction* a : m_volumeMenu->actions())
        a->setChecked(a->objectName() ==
                      QStringLiteral("mnuListenVolume%1").arg(m_prefs.VolumePercent));
    m_mute->setChecked(m_prefs.Mute);
    fillDeviceMenu();
}

void ListeningMenu::save(const char* key, const std::string& value) {
    const std::string path = m_parts.settingsPath();
    if (path.empty()) return;
    if (savePlayerPreference(path, key, value) && m_parts.showMessage)
        m_parts.showMessage("Could not save the setting");
}

} // namespace kv
