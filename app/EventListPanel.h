// EventListPanel (dockEventList): the events of the loaded recording in a
// dockable list with their session time, time of day, kind and text. A
// filter chooses the kinds shown; a click or Enter on a row asks to go
// there; the row of the event playback has just passed is highlighted.
#pragma once

#include "RecordingEvents.h"
#include "ReviewNotes.h"

#include <QAbstractTableModel>
#include <QDockWidget>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace kv {

class EventListSearch;

// The shown events as table rows.
class EventTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEvents(const std::vector<RecordingEvent>* events,
                   std::optional<std::int32_t> clockStart, std::int32_t totalTimeMs);
    void setKinds(std::uint32_t kinds);
    std::uint32_t kinds() const { return m_kinds; }
    // Shows only the rows with this text in a cell, in any letter case; empty: all.
    void setSearch(const QString& text);
    // Every row the list could show: the events and the marks with rows of their own.
    int eventCount() const;

    // The reviewer's marks among the events: notes, artifact ranges and
    // reactions added by hand get rows of their own (whatever the filter);
    // reviewed reactions show their state. Null: the events only. Both
    // outlive the model's use of them.
    void setReview(const ReviewNotes* notes, const std::vector<SampleRecord>* records);
    // The mark of a row, or null when the row is an event's.
    const ReviewMark* markAt(int row) const;
    // The record a row starts at, event or mark.
    std::int32_t recordAt(int row) const;

    // An event's row (markAt(row) is null).
    const RecordingEvent& eventAt(int row) const;
    // The last shown row whose event starts at or before a 1-based record.
    std::optional<int> rowPassedAt(std::int32_t record) const;
    void setHighlighted(std::optional<int> row);
    std::optional<int> highlighted() const { return m_highlight; }
    // The shown events, in order.
    std::vector<RecordingEvent> shownEvents() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void refilter();
    // The text of a cell of an event (entry >= 0) or a mark i (entry -1 - i).
    QString cellText(int entry, int column) const;
    const std::vector<RecordingEvent>* m_events = nullptr;
    QString m_search;
    std::int32_t recordOf(int entry) const;
    std::vector<int> m_rows; // indexes into *m_events; a mark i is -1 - i
    const ReviewNotes* m_review = nullptr;
    const std::vector<SampleRecord>* m_records = nullptr;
    std::uint32_t m_kinds = 0x3F;
    std::optional<std::int32_t> m_clock;
    std::int32_t m_totalMs = 0;
    std::optional<int> m_highlight;
};

class EventListPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit EventListPanel(QWidget* parent = nullptr);

    EventTableModel& model() { return *m_model; }
    QTableView* table() const { return m_table; }
    EventListSearch& search() const { return *m_search; }
    void setKinds(std::uint32_t kinds);
    // Highlights the row of the last event at or before a 1-based record.
    void showPassed(std::int32_t record);

    std::function<void(std::int32_t)> onGoTo;          // 1-based record
    std::function<void(std::uint32_t)> onKindsChanged; // the filter changed
    std::function<void()> onExport;                    // "Export Events…"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void goToRow(int row);
    EventTableModel* m_model;
    QTableView* m_table;
    std::map<EventKind, QCheckBox*> m_filters;
    QPushButton* m_export;
    EventListSearch* m_search;
};

} // namespace kv
