#include "RecentRecordings.h"

#include "PairFiles.h"
#include "TextHelpers.h"

#include <QAction>
#include <QMenu>

#include <filesystem>

namespace kv {
namespace {

bool isReadableFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

RecentRecordings::RecentRecordings(QMenu& fileMenu, Parts parts)
    : QObject(&fileMenu), m_parts(std::move(parts)) {
    fileMenu.addSeparator();
    m_menu = fileMenu.addMenu(QStringLiteral("Recent Recor&dings"));
    m_menu->setObjectName(QStringLiteral("mnuFileRecent"));
    m_menu->menuAction()->setObjectName(QStringLiteral("mnuFileRecent"));
    m_menu->setToolTipsVisible(true);
    // Whether each file is still there is looked at each time the list opens.
    connect(m_menu, &QMenu::aboutToShow, this, &RecentRecordings::rebuild);
    rebuild();
}

void RecentRecordings::loadSaved() {
    m_list = loadRecentList(m_parts.settingsPath());
    rebuild();
}

void RecentRecordings::loaded(const std::string& base) {
    const auto before = m_list.paths;
    m_list.paths = withRecent(m_list.paths, pairFile(base, ".kvd"));
    if (m_list.paths != before) store();
    // The menu is made again when it next opens: an item of it may be what
    // asked for this load.
}

void RecentRecordings::openLastIfAsked() {
    if (m_list.openLastAtStart && !m_list.paths.empty() && isReadableFile(m_list.paths.front()))
        m_parts.open(m_list.paths.front());
}

void RecentRecordings::store() {
    if (m_parts.settingsPath().empty()) return; // before start-up has found the file
    if (const auto e = saveRecentList(m_parts.settingsPath(), m_list.paths); e && m_parts.notSaved)
        m_parts.notSaved(*e);
}

void RecentRecordings::rebuild() {
    m_menu->clear();
    int n = 0;
    for (const std::string& path : m_list.paths) {
        const std::filesystem::path p(path);
        QString caption = QStringLiteral("&%1 %2").arg(++n).arg(q(p.stem().string()));
        const bool found = isReadableFile(path);
        if (!found) caption += QStringLiteral(" (not found)");
        QAction* a = m_menu->addAction(caption);
        a->setObjectName(QStringLiteral("mnuFileRecent_%1").arg(n));
        a->setToolTip(q(p.parent_path().string()));
        a->setEnabled(found);
        connect(a, &QAction::triggered, this, [this, path] { m_parts.open(path); });
    }
    if (m_list.paths.empty()) m_menu->addAction(QStringLiteral("(empty)"))->setEnabled(false);
    m_menu->addSeparator();
    QAction* clear = m_menu->addAction(QStringLiteral("&Clear List"));
    clear->setObjectName(QStringLiteral("mnuFileRecentClear"));
    clear->setEnabled(!m_list.paths.empty());
    connect(clear, &QAction::triggered, this, [this] {
        m_list.paths.clear();
        store();
    });
    m_atStart = m_menu->addAction(QStringLiteral("&Open the Last Recording at Start"));
    m_atStart->setObjectName(QStringLiteral("mnuFileRecentAtStart"));
    m_atStart->setCheckable(true);
    m_atStart->setChecked(m_list.openLastAtStart);
    connect(m_atStart, &QAction::toggled, this, [this](bool on) {
        m_list.openLastAtStart = on;
        if (const auto e = saveOpenLastAtStart(m_parts.settingsPath(), on); e && m_parts.notSaved)
            m_parts.notSaved(*e);
    });
}

} // namespace kv
