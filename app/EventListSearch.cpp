#include "EventListSearch.h"

#include "EventListPanel.h"
#include "KeyTable.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include <algorithm>

namespace kv {

EventListSearch::EventListSearch(EventTableModel& model, QTableView& table, QWidget* parent)
    : QObject(parent), m_model(model), m_table(table), m_box(new QLineEdit(parent)),
      m_count(new QLabel(parent)) {
    m_box->setObjectName(QStringLiteral("txtEventSearch"));
    m_box->setPlaceholderText(QStringLiteral("Search the events (Ctrl+F)"));
    m_box->setClearButtonEnabled(true);
    m_box->setAccessibleName(QStringLiteral("Search the events"));
    m_count->setObjectName(QStringLiteral("lblEventCount"));
    m_table.setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_box, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_model.setSearch(text.trimmed()); });
    // Enter in the box moves on to the rows found.
    connect(m_box, &QLineEdit::returnPressed, this, [this] {
        if (m_model.rowCount() == 0) return;
        m_table.setFocus(Qt::ShortcutFocusReason);
        if (!m_table.currentIndex().isValid()) m_table.setCurrentIndex(m_model.index(0, 0));
    });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { updateCount(); });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] { updateCount(); });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, [this] { updateCount(); });
    updateCount();
}

void EventListSearch::addKeys(KeyTable& t, EventListPanel& list) {
    using P = KeyTable::Place;
    t.addOwn(P::EventList, Qt::Key_Up, QStringLiteral("Previous row"));
    t.addOwn(P::EventList, Qt::Key_Down, QStringLiteral("Next row"));
    t.addOwn(P::EventList, Qt::Key_PageUp, QStringLiteral("A page of rows up"));
    t.addOwn(P::EventList, Qt::Key_PageDown, QStringLiteral("A page of rows down"));
    t.addOwn(P::EventList, Qt::Key_Home, QStringLiteral("First row"));
    t.addOwn(P::EventList, Qt::Key_End, QStringLiteral("Last row"));
    t.addOwn(P::EventList, Qt::Key_Return,
             QStringLiteral("Goes to the row's event; on a mark, edits its text"));
    t.addOwn(P::EventList, Qt::Key_Enter,
             QStringLiteral("Goes to the row's event; on a mark, edits its text"));
    t.addOwn(P::EventList, Qt::Key_Space, QStringLiteral("Ticks the focused kind or button"));
    t.addOwn(P::EventList, Qt::Key_Tab, QStringLiteral("Next control of the list"));
    t.addOwn(P::EventList, Qt::Key_Backtab, QStringLiteral("Previous control of the list"),
             QKeySequence(Qt::SHIFT | Qt::Key_Tab));
    t.addOwn(P::EventList, Qt::Key_A,
             QStringLiteral("Chooses every row (Shift or Ctrl and a "
                            "click, or Shift and an arrow, choose more)"),
             QKeySequence(QKeySequence::SelectAll));
    EventListSearch* search = &list.search();
    t.addPartShortcut(P::EventList, QKeySequence::Find, QStringLiteral("Search the events"), &list,
                      [search] { search->focusSearch(); });
    t.addPartShortcut(P::EventList, QKeySequence::Copy,
                      QStringLiteral("Copies the chosen rows as text for a spreadsheet"),
                      list.table(), [search] { search->copySelection(); });
}

void EventListSearch::updateCount() {
    const int shown = m_model.rowCount(), all = m_model.eventCount();
    m_count->setText(shown == all ? QStringLiteral("%1 events").arg(all)
                                  : QStringLiteral("%1 of %2 events").arg(shown).arg(all));
}

void EventListSearch::focusSearch() {
    m_box->setFocus(Qt::ShortcutFocusReason);
    m_box->selectAll();
}

QString EventListSearch::selectedText() const {
    if (!m_table.selectionModel()) return {};
    QModelIndexList rows = m_table.selectionModel()->selectedRows();
    if (rows.isEmpty()) return {};
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    // Tabs and line breaks inside a cell would split it: spaces instead.
    auto clean = [](QString text) {
        return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
    };
    const int columns = m_model.columnCount();
    QStringList lines;
    QStringList header;
    for (int c = 0; c < columns; ++c)
        header << clean(m_model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    lines << header.join(QLatin1Char('\t'));
    for (const QModelIndex& row : rows) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << clean(m_model.index(row.row(), c).data().toString());
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool EventListSearch::copySelection() {
    const QString text = selectedText();
    if (text.isEmpty()) return false;
    QGuiApplication::clipboard()->setText(text);
    return true;
}

} // namespace kv
