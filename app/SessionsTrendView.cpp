#include "SessionsTrendView.h"

#include "TrendReport.h"

#include <QMouseEvent>
#include <QPainter>

namespace kv {

SessionsTrendView::SessionsTrendView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picSessionsTrend"));
    setMinimumHeight(160);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void SessionsTrendView::setSeries(SessionSeries series) {
    std::string chosen;
    if (m_selected) chosen = m_series.sessions[*m_selected].summary.file;
    m_series = std::move(series);
    m_selected.reset();
    if (!chosen.empty()) select(chosen);
    update();
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
    update();
}

QRectF SessionsTrendView::plotArea() const {
    return QRectF(rect()).adjusted(4, 4, -4, -4);
}

void SessionsTrendView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_series.drawable() == 0) {
        p.drawText(rect(), Qt::AlignCenter,
                   m_series.sessions.empty() ? QStringLiteral("No sessions to draw")
                                             : QStringLiteral("No session has the figures to draw"));
        return;
    }
    drawTrendPlots(p, plotArea(), m_series, m_selected, kTextSize);
}

void SessionsTrendView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_series.drawable() == 0) return;
    const auto at = trendSessionAt(plotArea(), m_series, event->position(), kTextSize);
    if (!at) return;
    m_selected = at;
    update();
    if (onChoose) onChoose(m_series.sessions[*at].summary.file);
}

} // namespace kv
