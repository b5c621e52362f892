#include "SessionsPanel.h"

#include "Dialogs.h"
#include "FileError.h"
#include "FileFunctions.h"
#include "FileNames.h"
#include "SafeFile.h"
#include "SessionSeries.h"
#include "SessionsModel.h"
#include "SessionsTrendView.h"
#include "SummaryScan.h"
#include "TextConversion.h"
#include "TrendReport.h"

#include <QAction>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace kv {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string absoluteFolder(const std::string& folder) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(folder, ec).lexically_normal().string();
    if (ec) path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

} // namespace

SessionsPanel::SessionsPanel(QWidget* window, Dialogs& dialogs)
    : QDockWidget(QStringLiteral("Sessions"), window), m_dialogs(dialogs),
      m_model(new SessionsModel(this)), m_proxy(new QSortFilterProxyModel(this)) {
    setObjectName(QStringLiteral("dockSessions"));
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 4, 4, 4);

    m_folderLabel = new QLabel(QStringLiteral("No folder open: File > Open Folder\u2026"), body);
    m_folderLabel->setObjectName(QStringLiteral("lblSessionsFolder"));
    m_folderLabel->setTextFormat(Qt::PlainText);
    column->addWidget(m_folderLabel);

    auto* row = new QHBoxLayout;
    m_filter = new QLineEdit(body);
    m_filter->setObjectName(QStringLiteral("txtSessionsFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Filter by file name"));
    m_filter->setClearButtonEnabled(true);
    row->addWidget(m_filter, 1);
    m_progress = new QProgressBar(body);
    m_progress->setObjectName(QStringLiteral("prgSessions"));
    m_progress->setTextVisible(true);
    m_progress->setFormat(QStringLiteral("%v of %m"));
    m_progress->hide();
    row->addWidget(m_progress);
    column->addLayout(row);

    m_status = new QLabel(body);
    m_status->setObjectName(QStringLiteral("lblSessionsStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    column->addWidget(m_status);

    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(SessionsModel::SortRole);
    m_proxy->setFilterRole(SessionsModel::FileNameRole);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_proxy->setFilterKeyColumn(SessionsModel::Recording);
    m_proxy->setDynamicSortFilter(true);
    connect(m_filter, &QLineEdit::textChanged, m_proxy,
            [this](const QString& text) { m_proxy->setFilterFixedString(text); });

    m_split = new QSplitter(Qt::Vertical, body);
    m_split->setObjectName(QStringLiteral("splSessions"));
    m_table = new QTableView(m_split);
    m_table->setObjectName(QStringLiteral("tblSessions"));
    m_table->setModel(m_proxy);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(SessionsModel::Date, Qt::AscendingOrder);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    // Widths set once: sizing columns to their contents would measure every
    // row each time rows come in.
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Each column as wide as its heading (with room for the sort arrow) or its usual text.
    const int digit = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const QFontMetrics heading(m_table->horizontalHeader()->font());
    const int widths[SessionsModel::ColumnCount] = {14, 11, 8, 8, 5, 4, 4, 4, 4, 4, 4, 8};
    for (int c = 0; c < SessionsModel::ColumnCount; ++c)
        m_table->setColumnWidth(
            c, std::max(digit * widths[c],
                        heading.horizontalAdvance(
                            m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) +
                            digit * 3));
    m_table->installEventFilter(this);
    connect(m_table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { openRow(i.row()); });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                m_trend->select(current.isValid()
                                    ? current.data(SessionsModel::PathRole).toString().toStdString()
                                    : std::string());
            });
    m_split->addWidget(m_table);
    m_trend = new SessionsTrendView(m_split);
    m_trend->onChoose = [this](const std::string& file) { selectFile(file); };
    m_split->addWidget(m_trend);
    m_split->setStretchFactor(0, 3);
    m_split->setStretchFactor(1, 2);
    column->addWidget(m_split, 1);
    m_trendTimer = new QTimer(this);
    m_trendTimer->setSingleShot(true);
    m_trendTimer->setInterval(250);
    connect(m_trendTimer, &QTimer::timeout, this, [this] { redrawTrend(); });
    setWidget(body);

    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea |
                    Qt::BottomDockWidgetArea);
}

SessionsPanel::~SessionsPanel() {
    // Every thread ends before the panel it tells goes.
    m_stopping.clear();
    m_scan.reset();
}

void SessionsPanel::addMenuItems(QMenu& file, QMenu& view) {
    m_openItem = file.addAction(QStringLiteral("Open &Folder\u2026"));
    m_openItem->setObjectName(QStringLiteral("mnuFileOpenFolder"));
    connect(m_openItem, &QAction::triggered, this, [this] { chooseFolder(); });

    m_exportItem = file.addAction(QStringLiteral("Export &Trend Report\u2026"));
    m_exportItem->setObjectName(QStringLiteral("mnuFileExportTrendReport"));
    connect(m_exportItem, &QAction::triggered, this, [this] { exportTrendReport(); });
    // A trend needs a folder whose rows are all in.
    connect(&file, &QMenu::aboutToShow, this, [this] {
        m_exportItem->setEnabled(!m_folder.empty() && filled() && m_model->rowCount() > 0);
    });

    m_viewItem = toggleViewAction();
    m_viewItem->setText(QStringLiteral("Sessions"));
    m_viewItem->setObjectName(QStringLiteral("mnuViewSessions"));
    view.addAction(m_viewItem);
    connect(m_viewItem, &QAction::toggled, this, [this](bool shown) {
        if (parentWidget() && parentWidget()->isVisible())
            savePreference("ShowSessions", boolToText(shown));
    });
}

void SessionsPanel::applyPreferences(const PlayerPreferences& prefs,
                                     std::function<std::string()> settingsPath) {
    m_applying = true;
    m_settingsPath = std::move(settingsPath);
    setVisible(prefs.ShowSessions);
    if (!prefs.SessionsFolder.empty() && absoluteFolder(prefs.SessionsFolder) != m_folder)
        openFolder(prefs.SessionsFolder);
    m_applying = false;
}

void SessionsPanel::savePreference(const char* key, const std::string& value) {
    if (m_applying || !m_settingsPath) return;
    if (const auto error = savePlayerPreference(m_settingsPath(), key, value))
        if (preferenceNotSaved) preferenceNotSaved(*error);
}

void SessionsPanel::chooseFolder() {
    // From the open folder, or its parent when it has gone.
    std::string start = m_folder;
    if (!start.empty() && !Is_Folder(start))
        start = std::filesystem::path(start).parent_path().string();
    const auto chosen = m_dialogs.chooseFolder(FileDialogRequest("Open Folder", "", start, ""));
    if (!chosen) return;
    show();
    raise();
    if (openFolder(*chosen)) savePreference("SessionsFolder", m_folder);
}

void SessionsPanel::stopScan() {
    ++m_generation;
    if (m_scan) {
        m_scan->cancel();
        m_stopping.push_back(std::move(m_scan));
    }
    // Scans whose threads have ended go now; the others when they have.
    m_stopping.erase(std::remove_if(m_stopping.begin(), m_stopping.end(),
                                    [](const auto& s) { return s->ended(); }),
                     m_stopping.end());
    m_searching = false;
    m_progress->hide();
}

bool SessionsPanel::openFolder(const std::string& given) {
    stopScan();
    m_folder = absoluteFolder(given);
    m_model->setFolder(m_folder);
    m_model->clear();
    m_trendTimer->stop();
    redrawTrend();
    m_total = m_done = m_notOk = 0;
    m_skipped.clear();
    m_folderLabel->setText(q(m_folder));
    m_folderLabel->setToolTip(q(m_folder));
    m_status->setToolTip(QString());
    delete m_watcher;
    m_watcher = nullptr;
    if (!Is_Folder(m_folder)) {
        m_status->setText(q("The folder " + m_folder + " does not exist or is no folder."));
        return false;
    }
    // A folder removed or renamed while it is open is said at once.
    m_watcher = new QFileSystemWatcher({q(m_folder)}, this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { folderChanged(); });

    m_searching = true;
    m_status->setText(QStringLiteral("Searching the folder for recordings\u2026"));
    m_progress->setRange(0, 0);
    m_progress->show();
    const unsigned generation = m_generation;
    const unsigned jobs = std::max(1U, std::thread::hardware_concurrency());
    m_scan = std::make_unique<SummaryScan>(std::vector<std::string>{m_folder}, jobs,
                                           [this, generation] {
                                               QMetaObject::invokeMethod(
                                                   this, [this, generation] { takeNews(generation); },
                                                   Qt::QueuedConnection);
                                           });
    return true;
}

bool SessionsPanel::filled() const {
    return !m_scan || !m_searching;
}

bool SessionsPanel::working() const {
    return (m_scan && !m_scan->ended()) ||
           std::any_of(m_stopping.begin(), m_stopping.end(),
                       [](const auto& s) { return !s->ended(); });
}

void SessionsPanel::takeNews(unsigned generation) {
    if (generation != m_generation || !m_scan) return; // news of a folder no longer open
    SummaryScan::News news = m_scan->take();
    if (news.found) {
        m_total = news.found->files.size();
        m_skipped = news.found->skipped;
        m_progress->setRange(0, static_cast<int>(m_total));
        m_progress->setValue(0);
        m_progressShown.invalidate();
    }
    for (const RecordingSummary& r : news.rows)
        m_notOk += r.ok() ? 0 : 1;
    m_done += news.rows.size();
    m_model->append(news.rows);
    if (!news.rows.empty() && !m_trendTimer->isActive()) m_trendTimer->start();
    if (news.finished) {
        showFinished();
        return;
    }
    // The bar repaints at once when its value changes: ten times a second is enough.
    if (m_total > 0 && (!m_progressShown.isValid() || m_progressShown.elapsed() >= 100)) {
        m_progressShown.start();
        m_progress->setValue(static_cast<int>(m_done));
        m_status->setText(q("Reading " + std::to_string(m_done) + " of " +
                            plural(m_total, "recording", "recordings") + "\u2026"));
    }
}

void SessionsPanel::showFinished() {
    m_searching = false;
    m_progress->hide();
    std::string text = m_total == 0 ? std::string("No recordings found in this folder.")
                                    : plural(m_total, "recording", "recordings");
    if (m_total > 0 && m_notOk > 0) text += ", " + std::to_string(m_notOk) + " not ok";
    if (!m_skipped.empty()) {
        text += (m_total == 0 ? " " : "; ") + plural(m_skipped.size(), "path", "paths") +
                " skipped (see the tool tip)";
        QString tip;
        for (const std::string& s : m_skipped)
            tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + q(s);
        m_status->setToolTip(tip);
    }
    if (m_total > 0) text += '.';
    m_status->setText(q(text));
    m_scan.reset(); // its threads have ended
    stopScan();
    m_trendTimer->stop();
    redrawTrend();
}

void SessionsPanel::redrawTrend() {
    m_trend->setSeries(buildSessionSeries(m_model->summaries()));
}

void SessionsPanel::selectFile(const std::string& file) {
    const auto row = m_model->rowOf(file);
    if (!row) return;
    const QModelIndex at = m_proxy->mapFromSource(m_model->index(*row, 0));
    if (!at.isValid()) return; // filtered out
    m_table->setCurrentIndex(at);
    m_table->scrollTo(at);
}

void SessionsPanel::exportTrendReport() {
    if (m_folder.empty() || !filled() || m_model->rowCount() == 0) return;
    const std::string name = std::filesystem::path(m_folder).filename().string();
    FileDialogRequest request("Export Trend Report", "PDF document (*.pdf)|*.pdf", m_folder,
                              (name.empty() ? std::string("sessions") : name) + "-trend.pdf");
    request.defaultSuffix = "pdf";
    const std::optional<std::string> chosen = m_dialogs.saveFile(request);
    if (!chosen) return;
    // The dialog asks before it replaces a file, but never a recording's own.
    for (const char* ext : {".kvd", ".wav", ".mp3", ".kvnotes"})
        if (hasExtension(*chosen, ext)) {
            m_dialogs.showMessage({"The trend report could not be written.\n\n" + *chosen +
                                       " is a file of a recording.",
                                   kAppTitle, MessageIcon::Exclamation});
            return;
        }
    const TrendReport report(
        TrendInput{m_folder, buildSessionSeries(m_model->summaries()), m_skipped});
    const QByteArray pdf = report.pdf();
    // Written whole or not at all, never over a read-only or special file.
    if (const auto e = replaceFileContents(
            *chosen, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())),
            *chosen)) {
        m_dialogs.showMessage({"The trend report could not be written.\n\n" + e->description,
                               kAppTitle, MessageIcon::Exclamation});
        return;
    }
    m_dialogs.openDocument(*chosen);
}

void SessionsPanel::folderChanged() {
    if (m_folder.empty() || Is_Folder(m_folder)) return;
    m_status->setText(q("The folder " + m_folder +
                        " was removed or renamed. Open it again with File > Open Folder\u2026"));
}

void SessionsPanel::openRow(int proxyRow) {
    const QModelIndex index = m_proxy->mapToSource(m_proxy->index(proxyRow, 0));
    if (!index.isValid()) return;
    const std::string path = m_model->summaryAt(index.row()).file;
    if (!Is_Folder(m_folder)) {
        folderChanged();
        m_dialogs.showMessage(
            {"The folder " + m_folder +
                 " no longer exists: it was removed or renamed. Open it again with File > Open "
                 "Folder\u2026",
             kAppTitle, MessageIcon::Exclamation});
        return;
    }
    if (!File_Exists(path)) {
        m_dialogs.showMessage({"The recording " + path +
                                   " no longer exists: it was removed or renamed after the folder "
                                   "was read.",
                               kAppTitle, MessageIcon::Exclamation});
        return;
    }
    if (onOpen) onOpen(path);
}

void SessionsPanel::recordingLoaded(const std::string& base) {
    // The data file of the pair, in whatever case its extension is.
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const std::string& file = m_model->summaryAt(r).file;
        if (file.size() > 4 && file.compare(0, file.size() - 4, base) == 0) {
            m_model->setLoaded(file);
            return;
        }
    }
    m_model->setLoaded(base + ".kvd");
}

void SessionsPanel::recordingDropped() {
    m_model->setLoaded("");
}

bool SessionsPanel::ownsKey(QWidget* focus, const QKeyEvent* key) const {
    if (!focus || !isAncestorOf(focus)) return false;
    if (focus == m_filter) return key->key() != Qt::Key_Escape;
    static constexpr int kKeys[] = {Qt::Key_Up,    Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown,
                                    Qt::Key_Home,  Qt::Key_End,  Qt::Key_Return, Qt::Key_Enter,
                                    Qt::Key_Tab,   Qt::Key_Backtab};
    return std::find(std::begin(kKeys), std::end(kKeys), key->key()) != std::end(kKeys);
}

bool SessionsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
            m_table->currentIndex().isValid()) {
            openRow(m_table->currentIndex().row());
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

} // namespace kv
