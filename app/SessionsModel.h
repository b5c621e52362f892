// SessionsModel: one row per recording of the open folder, from its summary,
// as the sessions panel shows them. Rows are added as their summaries come;
// each cell has a sort key beside its text, so that dates, durations, counts
// and Base figures sort as what they are. The loaded recording's row is
// highlighted.
#pragma once

#include "RecordingSummary.h"

#include <QAbstractTableModel>

#include <optional>
#include <string>
#include <vector>

namespace kv {

class SessionsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Recording,
        Date,
        TimeOfDay,
        Duration,
        Sound,
        Tags,
        Reactions,
        BaseFirst,
        BaseLast,
        BaseLowest,
        BaseHighest,
        Status,
        ColumnCount
    };
    static constexpr int SortRole = Qt::UserRole;
    static constexpr int FileNameRole = Qt::UserRole + 1; // what the filter matches
    static constexpr int PathRole = Qt::UserRole + 2;

    using QAbstractTableModel::QAbstractTableModel;

    // The folder the rows' names are shown under.
    void setFolder(const std::string& folder);
    void clear();
    void append(const std::vector<RecordingSummary>& rows);
    const RecordingSummary& summaryAt(int row) const { return m_rows.at(row).summary; }
    std::vector<RecordingSummary> summaries() const;
    // The row of a recording, by identity, not spelling (from row `from` on).
    std::optional<int> rowOf(const std::string& kvdPath, int from = 0) const;
    // Highlights the loaded recording's row, if it is listed (empty: none).
    void setLoaded(const std::string& kvdPath);
    std::optional<int> loadedRow() const { return m_loaded; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        RecordingSummary summary;
        std::string shownName; // the path under the folder
        std::string fileName;
        // Without a date mark: the file's own time, "YYYY-MM-DD" and "HH:MM:SS".
        bool dateFromFile = false;
        std::string date, time;
    };
    QVariant text(const Row& r, int column) const;
    QVariant sortKey(const Row& r, int column) const;
    void highlightChanged(std::optional<int> row);

    std::string m_folder;
    std::vector<Row> m_rows;
    std::string m_loadedPath;
    std::optional<int> m_loaded;
};

} // namespace kv
