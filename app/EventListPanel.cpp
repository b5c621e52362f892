#include "EventListPanel.h"

#include "EventListSearch.h"
#include "EventTable.h"
#include "PlayTime.h"
#include "ReviewRows.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

constexpr int kColumns = 4;

QString kindCaption(EventKind k) {
    switch (k) {
    case EventKind::Tag:
        return QStringLiteral("Tag");
    case EventKind::Set:
        return QStringLiteral("SET");
    case EventKind::Motion:
        return QStringLiteral("Body motion");
    case EventKind::Base:
        return QStringLiteral("Base");
    case EventKind::Counter:
        return QStringLiteral("Counter");
    case EventKind::Reaction:
        return QStringLiteral("Reaction");
    }
    return {};
}

} // namespace

void EventTableModel::setEvents(const std::vector<RecordingEvent>* events,
                                std::optional<std::int32_t> clockStart, std::int32_t totalTimeMs) {
    beginResetModel();
    m_events = events;
    m_clock = clockStart;
    m_totalMs = totalTimeMs;
    m_highlight.reset();
    refilter();
    endResetModel();
}

void EventTableModel::setKinds(std::uint32_t kinds) {
    if (kinds == m_kinds) return;
    beginResetModel();
    m_kinds = kinds;
    m_highlight.reset();
    refilter();
    endResetModel();
}

void EventTableModel::setSearch(const QString& text) {
    if (text == m_search) return;
    beginResetModel();
    m_search = text;
    m_highlight.reset();
    refilter();
    endResetModel();
}

void EventTableModel::setReview(const ReviewNotes* notes,
                                const std::vector<SampleRecord>* records) {
    beginResetModel();
    m_review = records ? notes : nullptr;
    m_records = records;
    m_highlight.reset();
    refilter();
    endResetModel();
}

void EventTableModel::refilter() {
    m_rows.clear();
    if (!m_events) return;
    auto found = [this](int entry) {
        if (m_search.isEmpty()) return true;
        for (int column = 0; column < kColumns; ++column)
            if (cellText(entry, column).contains(m_search, Qt::CaseInsensitive)) return true;
        return false;
    };
    for (std::size_t i = 0; i < m_events->size(); ++i)
        if ((m_kinds >> static_cast<unsigned>((*m_events)[i].kind)) & 1U &&
            found(static_cast<int>(i)))
            m_rows.push_back(static_cast<int>(i));
    if (!m_review) return;
    // The marks that have rows of their own, merged in record order (an
    // event before a mark of the same record).
    std::vector<int> marks;
    for (std::size_t i = 0; i < m_review->marks.size(); ++i)
        if (hasOwnRow(m_review->marks[i]) && found(-1 - static_cast<int>(i)))
            marks.push_back(-1 - static_cast<int>(i));
    std::vector<int> merged(m_rows.size() + marks.size());
    std::merge(m_rows.begin(), m_rows.end(), marks.begin(), marks.end(), merged.begin(),
               [&](int a, int b) { return recordOf(a) < recordOf(b); });
    m_rows = std::move(merged);
}

std::int32_t EventTableModel::recordOf(int entry) const {
    return entry >= 0 ? (*m_events)[static_cast<std::size_t>(entry)].record
                      : m_review->marks[static_cast<std::size_t>(-1 - entry)].record;
}

const ReviewMark* EventTableModel::markAt(int row) const {
    const int entry = m_rows[static_cast<std::size_t>(row)];
    return entry < 0 ? &m_review->marks[static_cast<std::size_t>(-1 - entry)] : nullptr;
}

std::int32_t EventTableModel::recordAt(int row) const {
    return recordOf(m_rows[static_cast<std::size_t>(row)]);
}

const RecordingEvent& EventTableModel::eventAt(int row) const {
    return (*m_events)[static_cast<std::size_t>(m_rows[static_cast<std::size_t>(row)])];
}

std::optional<int> EventTableModel::rowPassedAt(std::int32_t record) const {
    // Rows are in record order: the first row after `record`, less one.
    const auto after =
        std::upper_bound(m_rows.begin(), m_rows.end(), record, [&](std::int32_t r, int i) {
            return r < recordOf(i);
        });
    if (after == m_rows.begin()) return std::nullopt;
    return static_cast<int>(after - m_rows.begin()) - 1;
}

void EventTableModel::setHighlighted(std::optional<int> row) {
    if (row == m_highlight) return;
    const auto old = m_highlight;
    m_highlight = row;
    for (const auto r : {old, row})
        if (r)
            Q_EMIT dataChanged(index(*r, 0), index(*r, kColumns - 1),
                               {Qt::BackgroundRole, Qt::FontRole});
}

std::vector<RecordingEvent> EventTableModel::shownEvents() const {
    std::vector<RecordingEvent> out;
    out.reserve(m_rows.size());
    for (int i : m_rows)
        if (i >= 0) out.push_back((*m_events)[static_cast<std::size_t>(i)]);
    return out;
}

int EventTableModel::eventCount() const {
    if (!m_events) return 0;
    const auto marks = m_review ? std::count_if(m_review->marks.begin(), m_review->marks.end(),
                                                [](const ReviewMark& m) { return hasOwnRow(m); })
                                : 0;
    return static_cast<int>(m_events->size()) + static_cast<int>(marks);
}

int EventTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int EventTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant EventTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int entry = m_rows[static_cast<std::size_t>(index.row())];
    const ReviewMark* mark = markAt(index.row());
    // The review's look only where it shows: it searches the marks.
    const bool looked = !mark && (role == Qt::FontRole || role == Qt::ForegroundRole);
    const ReviewLook look = looked ? reviewLook(m_review, eventAt(index.row())) : ReviewLook{};
    if (role == Qt::DisplayRole) return cellText(entry, index.column());
    if (role == Qt::ToolTipRole && mark && !mark->text.empty())
        return QString::fromStdString(mark->text);
    if (role == Qt::FontRole && look.struckThrough) {
        QFont font;
        font.setStrikeOut(true);
        return font;
    }
    if (role == Qt::BackgroundRole && m_highlight == index.row()) return QColor(255, 236, 160);
    if (role == Qt::ForegroundRole && m_highlight == index.row()) return QColor(Qt::black);
    if (role == Qt::ForegroundRole && look.uncounted) return QColor(Qt::gray);
    return {};
}

QString EventTableModel::cellText(int entry, int column) const {
    const ReviewMark* mark =
        entry < 0 ? &m_review->marks[static_cast<std::size_t>(-1 - entry)] : nullptr;
    const RecordingEvent* e = mark ? nullptr : &(*m_events)[static_cast<std::size_t>(entry)];
    const std::int32_t timeMs =
        mark ? (*m_records)[static_cast<std::size_t>(mark->record - 1)].TimeMs : e->timeMs;
    switch (column) {
    case 0:
        return QString::fromStdString(Format_PlayTime(timeMs / 1000, m_totalMs));
    case 1:
        return m_clock ? QString::fromStdString(timeOfDayText(*m_clock, timeMs)) : QString();
    case 2:
        return mark ? markCaption(*mark) : kindCaption(e->kind);
    case 3:
        return mark ? markRowText(*mark, *m_records, m_totalMs)
                    : QString::fromStdString(e->text) + reviewLook(m_review, *e).suffix;
    }
    return {};
}

QVariant EventTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeaders[kColumns] = {"Time", "Time of day", "Kind", "Event"};
    return QString::fromLatin1(kHeaders[section]);
}

EventListPanel::EventListPanel(QWidget* parent)
    : QDockWidget(QStringLiteral("Event List"), parent) {
    setObjectName(QStringLiteral("dockEventList"));
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 4, 4, 4);

    // The kinds in two rows of three, so that the docked list stays narrow
    // enough for the window to fit a small screen beside it.
    auto* filters = new QGridLayout;
    filters->setHorizontalSpacing(6);
    filters->setVerticalSpacing(0);
    int cell = 0;
    for (EventKind k : {EventKind::Tag, EventKind::Set, EventKind::Motion, EventKind::Base,
                        EventKind::Counter, EventKind::Reaction}) {
        auto* box = new QCheckBox(kindCaption(k), body);
        box->setObjectName(QStringLiteral("chkEventKind_") + QString::fromLatin1(eventKindName(k)));
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this, [this] {
            std::uint32_t kinds = 0;
            for (const auto& [kind, b] : m_filters)
                if (b->isChecked()) kinds |= 1U << static_cast<unsigned>(kind);
            m_model->setKinds(kinds);
            if (onKindsChanged) onKindsChanged(kinds);
        });
        m_filters[k] = box;
        filters->addWidget(box, cell / 3, cell % 3);
        ++cell;
    }
    filters->setColumnStretch(3, 1);
    column->addLayout(filters);

    m_model = new EventTableModel(this);
    m_table = new QTableView(body);
    m_table->setObjectName(QStringLiteral("tblEvents"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    const int digit = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    m_table->setColumnWidth(0, digit * 9);
    m_table->setColumnWidth(1, digit * 10);
    m_table->setColumnWidth(2, digit * 12);
    m_table->installEventFilter(this);
    // A click goes to the row; with Ctrl or Shift it only chooses rows (to copy).
    connect(m_table, &QTableView::clicked, this, [this](const QModelIndex& i) {
        if (!(QGuiApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier)))
            goToRow(i.row());
    });
    m_search = new EventListSearch(*m_model, *m_table, body);
    column->addWidget(m_search->searchBox());
    column->addWidget(m_table, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_search->countLabel());
    buttons->addStretch();
    m_export = new QPushButton(QStringLiteral("Export Events…"), body);
    m_export->setObjectName(QStringLiteral("cmdExportEvents"));
    connect(m_export, &QPushButton::clicked, this, [this] {
        if (onExport) onExport();
    });
    buttons->addWidget(m_export);
    column->addLayout(buttons);
    setWidget(body);
}

void EventListPanel::setKinds(std::uint32_t kinds) {
    for (const auto& [kind, box] : m_filters) {
        const QSignalBlocker quiet(box);
        box->setChecked((kinds >> static_cast<unsigned>(kind)) & 1U);
    }
    m_model->setKinds(kinds);
}

void EventListPanel::showPassed(std::int32_t record) {
    const auto row = m_model->rowPassedAt(record);
    if (row == m_model->highlighted()) return;
    m_model->setHighlighted(row);
    if (row && isVisible())
        m_table->scrollTo(m_model->index(*row, 0), QAbstractItemView::EnsureVisible);
}

void EventListPanel::goToRow(int row) {
    if (row < 0 || row >= m_model->rowCount()) return;
    if (onGoTo) onGoTo(m_model->recordAt(row));
}

bool EventListPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            goToRow(m_table->currentIndex().row());
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

} // namespace kv
