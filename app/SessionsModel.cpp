#include "SessionsModel.h"

#include "PlayTime.h"
#include "SessionSeries.h"

#include <QColor>
#include <QFont>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace kv {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string lastPart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The Base text of the panel as a number to sort by; none sorts first.
double baseKey(const std::string& text) {
    if (text.empty()) return -1e9;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end == text.c_str() ? -1e9 : v;
}

qlonglong countKey(const std::optional<std::int64_t>& n) {
    return n ? static_cast<qlonglong>(*n) : -1;
}

QString countText(const std::optional<std::int64_t>& n) {
    return n ? QString::number(*n) : QString();
}

} // namespace

void SessionsModel::setFolder(const std::string& folder) {
    m_folder = folder;
    while (m_folder.size() > 1 && m_folder.back() == '/')
        m_folder.pop_back();
}

void SessionsModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_loaded.reset();
    endResetModel();
}

void SessionsModel::append(const std::vector<RecordingSummary>& rows) {
    if (rows.empty()) return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    const std::string prefix = m_folder == "/" ? m_folder : m_folder + "/";
    for (const RecordingSummary& s : rows) {
        Row r;
        r.summary = s;
        r.shownName = s.file.compare(0, prefix.size(), prefix) == 0 ? s.file.substr(prefix.size())
                                                                     : s.file;
        r.fileName = lastPart(s.file);
        r.date = s.date;
        r.time = s.clockStart;
        // Without a date mark the session is dated, and ordered, by its file's time.
        if (s.date.empty())
            if (const auto t = fileTimeOf(s.file)) {
                r.dateFromFile = true;
                r.date = startDateText(*t);
                r.time = startTimeText(*t);
            }
        m_rows.push_back(std::move(r));
    }
    endInsertRows();
    // The loaded recording may be among the new rows; only they are looked at.
    if (!m_loadedPath.empty() && !m_loaded)
        if (const auto row = rowOf(m_loadedPath, first)) highlightChanged(row);
}

std::vector<RecordingSummary> SessionsModel::summaries() const {
    std::vector<RecordingSummary> out;
    out.reserve(m_rows.size());
    for (const Row& r : m_rows)
        out.push_back(r.summary);
    return out;
}

std::optional<int> SessionsModel::rowOf(const std::string& kvdPath, int from) const {
    namespace fs = std::filesystem;
    for (std::size_t i = static_cast<std::size_t>(std::max(0, from)); i < m_rows.size(); ++i) {
        std::error_code ec;
        if (m_rows[i].summary.file == kvdPath ||
            fs::equivalent(fs::path(m_rows[i].summary.file), fs::path(kvdPath), ec))
            return static_cast<int>(i);
    }
    return std::nullopt;
}

void SessionsModel::setLoaded(const std::string& kvdPath) {
    m_loadedPath = kvdPath;
    highlightChanged(kvdPath.empty() ? std::nullopt : rowOf(kvdPath));
}

void SessionsModel::highlightChanged(std::optional<int> row) {
    const std::optional<int> old = m_loaded;
    m_loaded = row;
    for (const std::optional<int>& r : {old, row})
        if (r) Q_EMIT dataChanged(index(*r, 0), index(*r, ColumnCount - 1));
}

int SessionsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SessionsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SessionsModel::text(const Row& r, int column) const {
    const RecordingSummary& s = r.summary;
    switch (column) {
    case Recording:
        return q(r.shownName);
    case Date:
        return r.dateFromFile ? q(r.date + " (date from the file)") : q(r.date);
    case TimeOfDay:
        return q(r.time);
    case Duration:
        // Hours, minutes and seconds in every row, so that the column reads alike.
        return s.durationMs ? q(Format_PlayTime(
                                  static_cast<std::int32_t>(roundHalfEven(*s.durationMs / 1000.0)),
                                  3'600'000))
                            : QString();
    case Sound:
        return q(s.audio);
    case Tags:
        return countText(s.tags);
    case Reactions:
        return countText(s.reactions);
    case BaseFirst:
        return q(s.baseFirst);
    case BaseLast:
        return q(s.baseLast);
    case BaseLowest:
        return q(s.baseMin);
    case BaseHighest:
        return q(s.baseMax);
    case Status: {
        // The word before the reason; the reason is the tool tip.
        const auto colon = s.status.find(':');
        return q(colon == std::string::npos ? s.status : s.status.substr(0, colon));
    }
    }
    return {};
}

QVariant SessionsModel::sortKey(const Row& r, int column) const {
    const RecordingSummary& s = r.summary;
    switch (column) {
    case Date:
        // By date, then time of day, then name: sessions of a day in order.
        return q(r.date + ' ' + r.time + ' ' + s.file);
    case TimeOfDay:
        return q(r.time + ' ' + r.date + ' ' + s.file);
    case Duration:
        return s.durationMs ? static_cast<qlonglong>(*s.durationMs) : -1LL;
    case Tags:
        return countKey(s.tags);
    case Reactions:
        return countKey(s.reactions);
    case BaseFirst:
        return baseKey(s.baseFirst);
    case BaseLast:
        return baseKey(s.baseLast);
    case BaseLowest:
        return baseKey(s.baseMin);
    case BaseHighest:
        return baseKey(s.baseMax);
    case Status:
        return q(s.status);
    default:
        return text(r, column);
    }
}

QVariant SessionsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size())) return {};
    const Row& r = m_rows[static_cast<std::size_t>(index.row())];
    const bool loaded = m_loaded == index.row();
    switch (role) {
    case Qt::DisplayRole:
        return text(r, index.column());
    case SortRole:
        return sortKey(r, index.column());
    case FileNameRole:
        return q(r.fileName);
    case PathRole:
        return q(r.summary.file);
    case Qt::ToolTipRole:
        if (index.column() == Status && !r.summary.ok()) return q(r.summary.status);
        if (index.column() == Recording) return q(r.summary.file);
        if (index.column() == Date && r.dateFromFile)
            return QStringLiteral("No date mark in the recording: date from the file");
        return {};
    case Qt::TextAlignmentRole:
        return index.column() >= Duration && index.column() <= BaseHighest &&
                       index.column() != Sound
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    case Qt::FontRole:
        if (loaded) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::BackgroundRole:
        if (loaded) return QColor(255, 236, 160);
        if (!r.summary.ok() && index.column() == Status) return QColor(255, 210, 200);
        return {};
    case Qt::ForegroundRole:
        return loaded || (!r.summary.ok() && index.column() == Status) ? QVariant(QColor(Qt::black))
                                                                      : QVariant();
    default:
        return {};
    }
}

QVariant SessionsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeaders[ColumnCount] = {
        "Recording",  "Date",      "Time of day", "Duration",    "Sound",  "Tags",
        "Reactions",  "Base first", "Base last",  "Base lowest", "Base highest", "Status"};
    return QString::fromLatin1(kHeaders[section]);
}

} // namespace kv
