#include "SessionsTrendView.h"

#include "TrendReport.h"

#include <QMouseEvent>
#include <QPainter>

namespace kv {

namespace {

QImage drawPicture(const SessionSeries& series, std::optional<std::size_t> selected, QSize size,
                   qreal ratio, const QRectF& area) {
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (series.drawable() == 0)
        p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter,
                   series.sessions.empty() ? QStringLiteral("No sessions to draw")
                                           : QStringLiteral("No session has the figures to draw"));
    else
        drawTrendPlots(p, area, series, selected, SessionsTrendView::kTextSize);
    return image;
}

} // namespace

SessionsTrendView::SessionsTrendView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picSessionsTrend"));
    setMinimumHeight(160);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_drawer = std::thread([this] { drawLoop(); });
}

SessionsTrendView::~SessionsTrendView() {
    {
        const std::lock_guard g(m_lock);
        m_stop = true;
    }
    m_wanted.notify_one();
    m_drawer.join();
}

void SessionsTrendView::setSeries(SessionSeries series) {
    std::string chosen;
    if (m_selected) chosen = m_series.sessions[*m_selected].summary.file;
    m_series = std::move(series);
    m_selected.reset();
    for (std::size_t i = 0; i < m_series.sessions.size() && !chosen.empty(); ++i)
        if (m_series.sessions[i].summary.file == chosen) m_selected = i;
    redraw();
}

void SessionsTrendView::select(const std::string& file) {
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < m_series.sessions.size() && !file.empty(); ++i)
        if (m_series.sessions[i].summary.file == file) {
            found = i;
            break;
        }
    if (found == m_selected) return;
    m_selected = found;
    redraw();
}

QRectF SessionsTrendView::plotArea() const {
    return QRectF(rect()).adjusted(4, 4, -4, -4);
}

void SessionsTrendView::redraw() {
    ++m_generation;
    {
        const std::lock_guard g(m_lock);
        m_job = Job{m_series, m_selected, size(), devicePixelRatioF(), m_generation};
    }
    m_wanted.notify_one();
}

void SessionsTrendView::drawLoop() {
    for (;;) {
        Job job;
        {
            std::unique_lock g(m_lock);
            m_wanted.wait(g, [this] { return m_stop || m_job; });
            if (m_stop) return;
            job = std::move(*m_job);
            m_job.reset();
        }
        if (job.size.isEmpty()) continue;
        const QRectF area = QRectF(QPointF(0, 0), QSizeF(job.size)).adjusted(4, 4, -4, -4);
        QImage picture = drawPicture(job.series, job.selected, job.size, job.ratio, area);
        // Shown if nothing newer was asked for meanwhile; the window keeps the
        // thread until this object goes, so `this` outlives the call.
        QMetaObject::invokeMethod(
            this,
            [this, picture = std::move(picture), generation = job.generation]() mutable {
                if (generation < m_shownGeneration) return;
                m_picture = std::move(picture);
                m_shownGeneration = generation;
                update();
            },
            Qt::QueuedConnection);
    }
}

void SessionsTrendView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!m_picture.isNull()) p.drawImage(QPointF(0, 0), m_picture);
}

void SessionsTrendView::resizeEvent(QResizeEvent*) {
    redraw();
}

void SessionsTrendView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_series.drawable() == 0) return;
    const auto at = trendSessionAt(plotArea(), m_series, event->position(), kTextSize);
    if (!at) return;
    m_selected = at;
    redraw();
    if (onChoose) onChoose(m_series.sessions[*at].summary.file);
}

} // namespace kv
