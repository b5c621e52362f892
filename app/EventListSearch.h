// EventListSearch: the event list's search box, its count of shown and all
// events, several rows chosen at once, and the chosen rows copied as
// tab-separated text with a header line (for a spreadsheet or a note).
#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QLineEdit;
class QTableView;
class QWidget;

namespace kv {

class EventListPanel;
class EventTableModel;
class KeyTable;

class EventListSearch : public QObject {
    Q_OBJECT
public:
    // The box and the label are made children of `parent` for its layout.
    EventListSearch(EventTableModel& model, QTableView& table, QWidget* parent);

    QLineEdit* searchBox() const { return m_box; }
    QLabel* countLabel() const { return m_count; }

    // The keys the list takes while it has the focus, into the window's table:
    // moving and choosing (the view's own), searching and copying.
    static void addKeys(KeyTable& table, EventListPanel& list);

    // Puts the focus in the search box with its text selected.
    void focusSearch();
    // The chosen rows, a header line first, a tab between cells; empty
    // when no row is chosen.
    QString selectedText() const;
    // selectedText() to the clipboard; false when no row is chosen.
    bool copySelection();

private:
    void updateCount();
    EventTableModel& m_model;
    QTableView& m_table;
    QLineEdit* m_box;
    QLabel* m_count;
};

} // namespace kv
