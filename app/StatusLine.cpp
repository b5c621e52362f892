#include "StatusLine.h"

#include "Dialogs.h"
#include "ListeningMenu.h"
#include "PlayTime.h"
#include "PlaybackEngine.h"
#include "ProfileFile.h"
#include "TextConversion.h"
#include "TextHelpers.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

namespace kv {
namespace {

constexpr const char* kDash = " \u2014 ";

std::string joined(const std::vector<std::string>& parts, const char* sep) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : sep) + p;
    return out;
}

} // namespace

StatusLine::StatusLine(Parts parts) : QObject(parts.window), m_parts(std::move(parts)) {
    m_parts.viewMenu->addSeparator();
    m_viewItem = m_parts.viewMenu->addAction(QStringLiteral("Status &Bar"));
    m_viewItem->setObjectName(QStringLiteral("mnuViewStatusBar"));
    m_viewItem->setCheckable(true);
    connect(m_viewItem, &QAction::triggered, this, &StatusLine::chooseBar);

    QStatusBar* bar = m_parts.window->statusBar();
    bar->setObjectName(QStringLiteral("staInForce"));
    bar->setSizeGripEnabled(false);
    m_text = new QLabel(bar);
    m_text->setObjectName(QStringLiteral("lblInForce"));
    bar->addWidget(m_text, 1);
    m_written = new QLabel(bar);
    m_written->setObjectName(QStringLiteral("lblWritten"));
    m_written->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_openFolder = new QToolButton(bar);
    m_openFolder->setObjectName(QStringLiteral("cmdOpenFolder"));
    m_openFolder->setText(QStringLiteral("Open Folder"));
    bar->addPermanentWidget(m_written);
    bar->addPermanentWidget(m_openFolder);
    m_written->hide();
    m_openFolder->hide();
    connect(m_openFolder, &QToolButton::clicked, this, [this] {
        const std::filesystem::path p(m_writtenPath);
        m_parts.dialogs->showFolder(p.parent_path().string());
    });
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    connect(m_noticeTimer, &QTimer::timeout, this, [this] {
        m_written->hide();
        m_openFolder->hide();
        showBar();
    });
    bar->hide();

    // The listening choices are made in the Audio menu and its submenus.
    QList<QMenu*> menus = m_parts.audioMenu->findChildren<QMenu*>();
    menus.append(m_parts.audioMenu);
    for (QMenu* m : menus) connect(m, &QMenu::triggered, this, &StatusLine::refresh);
}

std::vector<std::string> StatusLine::inForce(const PlayerPreferences& p) {
    std::vector<std::string> out;
    if (p.SpeedPercent != 100) {
        std::string speed = std::to_string(p.SpeedPercent / 100);
        if (p.SpeedPercent % 100 != 0) {
            std::string frac = std::to_string(p.SpeedPercent % 100);
            if (frac.size() < 2) frac = "0" + frac;
            if (frac.back() == '0') frac.pop_back();
            speed += "." + frac;
        }
        out.push_back(speed + "\u00d7");
    }
    if (p.Mute) out.push_back("muted");
    if (p.VolumePercent < 100) out.push_back("volume " + std::to_string(p.VolumePercent) + " %");
    if (p.SyncOffsetMs != 0)
        out.push_back("sync " + std::string(p.SyncOffsetMs > 0 ? "+" : "") +
                      std::to_string(p.SyncOffsetMs) + " ms");
    if (!p.OutputDevice.empty()) out.push_back("device " + p.OutputDevice);
    return out;
}

void StatusLine::loadSaved() {
    const ProfileFile file(m_parts.settingsPath());
    const auto chosen = textToBool(file.read(kPlayerSection, "StatusBar", ""));
    m_chosen = chosen ? (*chosen ? 1 : 0) : -1;
    refresh();
}

void StatusLine::refresh() {
    const std::vector<std::string> extras = inForce(m_parts.listening->preferences());
    std::vector<std::string> title;
    const RecordingFile* rec = m_parts.engine->recording();
    if (rec && !rec->LoadedFileBase.empty())
        title.push_back(std::filesystem::path(rec->LoadedFileBase).filename().string());
    title.insert(title.end(), extras.begin(), extras.end());
    title.push_back(kAppTitle);
    const QString t = q(joined(title, kDash));
    if (m_parts.window->windowTitle() != t) m_parts.window->setWindowTitle(t);

    std::vector<std::string> shown = extras;
    if (rec && m_parts.engine->RangeChosen && rec->RecordCount > 0) {
        auto time = [&](std::int32_t r) {
            r = std::clamp(r, 1, rec->RecordCount);
            // Rounded as the elapsed time shows a place on the bar.
            return Format_PlayTime(
                static_cast<std::int32_t>(roundHalfEven(rec->record(r).TimeMs / 1000.0)),
                rec->TotalTimeMs);
        };
        shown.push_back("range " + time(std::max(1, rec->LoopStartRecord)) + " to " +
                        time(rec->LoopEndRecord));
    }
    m_text->setText(q(shown.empty() ? std::string("Everything at its default")
                                    : joined(shown, "  \u00b7  ")));
    showBar();
}

void StatusLine::showBar() {
    const bool wanted = m_chosen >= 0 ? m_chosen == 1
                                      : !inForce(m_parts.listening->preferences()).empty();
    m_viewItem->setChecked(wanted);
    const bool show = wanted || m_noticeTimer->isActive();
    QStatusBar* bar = m_parts.window->statusBar();
    if (bar->isVisibleTo(m_parts.window) == show) return;
    bar->setVisible(show);
    if (m_parts.layoutChanged) m_parts.layoutChanged();
}

void StatusLine::chooseBar(bool on) {
    m_chosen = on ? 1 : 0;
    showBar();
    if (m_parts.settingsPath().empty()) return;
    ProfileFile file(m_parts.settingsPath());
    file.write(kPlayerSection, "StatusBar", on ? "True" : "False");
    if (const auto e = file.save(); e && m_parts.notSaved) m_parts.notSaved(*e);
}

void StatusLine::fileWritten(const std::string& what, const std::string& path) {
    m_writtenPath = path;
    m_written->setText(q(what + " " + path));
    m_written->setToolTip(q(path));
    m_written->show();
    m_openFolder->show();
    m_noticeTimer->start(kNoticeMs);
    showBar();
}

} // namespace kv
