#include "OverviewWidget.h"

#include "OverviewReview.h"
#include "PlayTime.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {
const QColor kOutsideRange(60, 60, 60, 90);
const QColor kCursor(20, 20, 20);
} // namespace

OverviewWidget::OverviewWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picOverview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setMinimumHeight(kHeight);
    // The colours are told here rather than in a legend over the tag numbers.
    setToolTip(QStringLiteral("Session overview: the needle (blue), the Base (orange), tags "
                              "(green), reactions (red) and body motion (shaded).\nClick to go "
                              "there, drag to choose a range, wheel to zoom, Shift+drag to pan, "
                              "double-click for the whole recording."));
    m_picture.legend = false;
    m_pendingClick = new QTimer(this);
    m_pendingClick->setSingleShot(true);
    connect(m_pendingClick, &QTimer::timeout, this, &OverviewWidget::actOnClick);
}

std::int32_t OverviewWidget::recordCount() const {
    return m_picture.records ? static_cast<std::int32_t>(m_picture.records->size()) : 0;
}

void OverviewWidget::setRecording(const std::vector<SampleRecord>* records,
                                  std::vector<RecordingEvent> marks,
                                  std::optional<std::int32_t> clockStartSecs) {
    m_picture.records = records;
    m_picture.events = std::move(marks);
    m_picture.review = {};
    m_picture.hasClock = clockStartSecs.has_value();
    m_picture.clockStartSecs = clockStartSecs.value_or(0);
    m_cursor = 0;
    m_rangeFirst = 1;
    m_rangeLast = recordCount();
    showWhole();
}

void OverviewWidget::clearRecording() {
    m_pendingClick->stop();
    m_picture = OverviewPicture{};
    m_picture.legend = false;
    m_cursor = m_rangeFirst = m_rangeLast = 0;
    m_drag = Drag::None;
    rebuild();
}

void OverviewWidget::setReview(ReviewNotes review) {
    m_picture.review = std::move(review);
    redraw(); // the records' columns stay as they are
}

// Over a note's flag the tool tip is the note's time and text (the nearest
// few when flags crowd); elsewhere the strip's own.
bool OverviewWidget::event(QEvent* e) {
    if (e->type() != QEvent::ToolTip || recordCount() == 0) return QWidget::event(e);
    const auto* help = static_cast<QHelpEvent*>(e);
    const auto near = notesNearColumn(m_picture.review, m_picture.mapping, help->pos().x(), 2);
    if (near.empty()) return QWidget::event(e);
    QStringList lines;
    for (std::size_t i = 0; i < near.size() && i < 5; ++i) {
        const ReviewMark& mark = m_picture.review.marks[near[i]];
        const std::int32_t ms = (*m_picture.records)[static_cast<std::size_t>(mark.record - 1)].TimeMs;
        const std::int32_t total = m_picture.records->back().TimeMs;
        lines << QString::fromStdString(Format_PlayTime(ms / 1000, total) + "  " + mark.text);
    }
    if (near.size() > 5) lines << QStringLiteral("… and %1 more").arg(near.size() - 5);
    QToolTip::showText(help->globalPos(), lines.join(QLatin1Char('\n')), this);
    return true;
}

void OverviewWidget::showWhole() {
    showSpan(0, recordCount() - 1);
}

void OverviewWidget::showSpan(std::int32_t first, std::int32_t last) {
    const std::int32_t n = recordCount();
    if (n > 0) {
        const std::int32_t span = std::clamp(last - first + 1, std::min(n, kMinSpanRecords), n);
        first = std::clamp(first, 0, n - span);
        m_picture.mapping.first = first;
        m_picture.mapping.last = first + span - 1;
    }
    rebuild();
}

void OverviewWidget::zoomAbout(int x, double factor) {
    const OverviewMapping& m = m_picture.mapping;
    if (recordCount() == 0 || !std::isfinite(factor) || factor <= 0) return;
    x = std::clamp(x, 0, m.width - 1);
    const std::int32_t anchor = m.firstRecordOf(x);
    const auto span = static_cast<std::int32_t>(
        std::clamp<double>(std::nearbyint(m.count() * factor),
                           std::min(recordCount(), kMinSpanRecords), recordCount()));
    if (span == m.count()) return;
    const auto first =
        anchor - static_cast<std::int32_t>(static_cast<std::int64_t>(x) * span / m.width);
    showSpan(first, first + span - 1);
}

void OverviewWidget::panByColumns(int columns) {
    const OverviewMapping& m = m_picture.mapping;
    if (recordCount() == 0 || columns == 0) return;
    const auto shift =
        static_cast<std::int32_t>(static_cast<std::int64_t>(columns) * m.count() / m.width);
    const std::int32_t first = std::clamp(m.first - (shift != 0 ? shift : (columns > 0 ? 1 : -1)),
                                          0, recordCount() - m.count());
    if (first != m.first) showSpan(first, first + m.count() - 1);
}

std::int32_t OverviewWidget::recordAt(int x) const {
    if (recordCount() == 0) return 0;
    const OverviewMapping& m = m_picture.mapping;
    return m.firstRecordOf(std::clamp(x, 0, m.width - 1)) + 1;
}

std::optional<int> OverviewWidget::columnOfRecord(std::int32_t record) const {
    const OverviewMapping& m = m_picture.mapping;
    if (recordCount() == 0 || record - 1 < m.first || record - 1 > m.last) return std::nullopt;
    return m.columnOf(record - 1);
}

void OverviewWidget::rebuild() {
    const int w = std::max(1, width());
    m_picture.mapping.width = w;
    if (recordCount() > 0)
        m_picture.columns = buildOverviewColumns(*m_picture.records, m_picture.mapping);
    else
        m_picture.columns.clear();
    redraw();
}

void OverviewWidget::redraw() {
    ++m_pictureBuilds;
    const int w = m_picture.mapping.width;
    const qreal dpr = devicePixelRatioF();
    m_image = QImage(QSize(w, std::max(1, height())) * dpr, QImage::Format_RGB32);
    m_image.setDevicePixelRatio(dpr);
    QPainter p(&m_image);
    drawOverview(p, QRect(0, 0, w, std::max(1, height())), m_picture);
    p.end();
    requestRepaint(rect());
}

void OverviewWidget::requestRepaint(const QRect& area) {
    ++m_repaintRequests;
    update(area);
}

std::optional<int> OverviewWidget::cursorColumn() const {
    return m_cursor > 0 ? columnOfRecord(m_cursor) : std::nullopt;
}

void OverviewWidget::setPlayCursor(std::int32_t record) {
    if (record == m_cursor) return;
    const auto before = cursorColumn();
    m_cursor = record;
    const auto after = cursorColumn();
    if (before == after) return;
    if (before) requestRepaint(columnRect(*before));
    if (after) requestRepaint(columnRect(*after));
}

void OverviewWidget::setRange(std::int32_t first, std::int32_t last) {
    if (first == m_rangeFirst && last == m_rangeLast) return;
    m_rangeFirst = first;
    m_rangeLast = last;
    requestRepaint(rect());
}

void OverviewWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setClipRegion(event->region());
    p.drawImage(QPoint(0, 0), m_image);
    if (recordCount() == 0) return;
    const OverviewMapping& m = m_picture.mapping;
    // Outside the playback range is greyed.
    const int left = m_rangeFirst - 1 > m.last    ? m.width
                     : m_rangeFirst - 1 < m.first ? 0
                                                  : m.columnOf(m_rangeFirst - 1);
    const int right = m_rangeLast - 1 < m.first  ? -1
                      : m_rangeLast - 1 > m.last ? m.width - 1
                                                 : m.columnOf(m_rangeLast - 1);
    if (left > 0) p.fillRect(QRect(0, 0, left, height()), kOutsideRange);
    if (right < m.width - 1)
        p.fillRect(QRect(right + 1, 0, m.width - right - 1, height()), kOutsideRange);
    if (const auto x = cursorColumn()) p.fillRect(QRect(*x, 0, 1, height()), kCursor);
}

void OverviewWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rebuild();
}

// The click that waited for the double-click interval: a press and a
// release at the record it was made on.
void OverviewWidget::actOnClick() {
    if (recordCount() == 0) return;
    const std::int32_t record = std::min(m_clickRecord, recordCount());
    if (onPress) onPress(record);
    if (onRelease) onRelease(std::nullopt);
}

// Another click or a drag follows a click still waiting: that click acts first.
void OverviewWidget::actOnPendingClick() {
    if (!m_pendingClick->isActive()) return;
    m_pendingClick->stop();
    actOnClick();
}

void OverviewWidget::mousePressEvent(QMouseEvent* e) {
    if (recordCount() == 0) return;
    const int x = static_cast<int>(e->position().x());
    m_pressX = m_lastPanX = x;
    m_moved = false;
    if (e->button() == Qt::MiddleButton ||
        (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ShiftModifier))) {
        m_drag = Drag::Pan;
        setCursor(Qt::ClosedHandCursor);
    } else if (e->button() == Qt::LeftButton) {
        m_drag = Drag::Choose;
        m_pressRecord = recordAt(x);
    }
}

void OverviewWidget::mouseMoveEvent(QMouseEvent* e) {
    const int x = static_cast<int>(e->position().x());
    if (std::abs(x - m_pressX) > 3 && !m_moved) {
        m_moved = true;
        // A drag that chooses a range starts where the button went down.
        if (m_drag == Drag::Choose) {
            actOnPendingClick();
            if (onPress) onPress(m_pressRecord);
        }
    }
    if (m_drag == Drag::Pan) {
        panByColumns(x - m_lastPanX);
        m_lastPanX = x;
        return;
    }
    if (m_drag == Drag::Choose && m_moved && onDrag) {
        const std::string tip = onDrag(recordAt(x));
        QToolTip::showText(e->globalPosition().toPoint(), QString::fromStdString(tip), this);
    }
}

void OverviewWidget::mouseReleaseEvent(QMouseEvent* e) {
    const Drag drag = m_drag;
    m_drag = Drag::None;
    unsetCursor();
    if (drag != Drag::Choose || e->button() != Qt::LeftButton) return;
    const int x = static_cast<int>(e->position().x());
    if (m_moved) {
        if (onRelease) onRelease(recordAt(x));
        return;
    }
    // A click (or a very short drag) lets the range run to the end, as on the
    // bar, unless a second press makes it a double-click.
    actOnPendingClick();
    m_clickRecord = m_pressRecord;
    m_pendingClick->start(QApplication::doubleClickInterval());
}

void OverviewWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_pendingClick->stop();
    m_drag = Drag::None;
    showWhole();
}

void OverviewWidget::wheelEvent(QWheelEvent* e) {
    const QPoint delta = e->angleDelta();
    const int x = static_cast<int>(e->position().x());
    if (delta.y() != 0)
        zoomAbout(x, std::pow(0.8, delta.y() / 120.0));
    else if (delta.x() != 0)
        panByColumns(delta.x() / 4);
    e->accept();
}

} // namespace kv
