#include "PositionBar.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kv {

PositionBar::PositionBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picFilePosition"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void PositionBar::changeMarks(int range0, int range1, int played0, int played1) {
    const auto px = [this](int x) { return std::lround(toPixels(x) * devicePixelRatioF()); };
    const bool moved = px(range0) != px(m_range0) || px(range1) != px(m_range1) ||
                       px(played0) != px(m_played0) || px(played1) != px(m_played1) ||
                       (played1 > played0) != (m_played1 > m_played0);
    m_range0 = range0, m_range1 = range1, m_played0 = played0, m_played1 = played1;
    if (!moved) return;
    ++m_repaintRequests;
    update();
}

void PositionBar::clear() {
    changeMarks(0, 0, 0, 0);
}

void PositionBar::fillTo(int x) {
    paintRange(0, x);
}

void PositionBar::paintRange(int x0, int x1) {
    const int r0 = std::clamp(x0, 0, kScaleWidth);
    changeMarks(r0, std::clamp(x1, r0, kScaleWidth), 0, 0);
}

void PositionBar::paintPlayed(int x0, int x1) {
    const int p0 = std::clamp(x0, 0, kScaleWidth);
    changeMarks(m_range0, m_range1, p0, std::clamp(x1, p0, kScaleWidth));
}

int PositionBar::scaleX(double widgetX) const {
    if (width() <= 0) return 0;
    return BarScale::clampX(widgetX / width() * kScaleWidth);
}

void PositionBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    p.fillRect(QRectF(toPixels(m_range0), 0, toPixels(m_range1) - toPixels(m_range0), height()),
               palette().color(QPalette::Button));
    if (m_played1 > m_played0)
        p.fillRect(QRectF(toPixels(m_played0), height() * 0.25,
                          toPixels(m_played1) - toPixels(m_played0), height() * 0.5),
                   palette().color(QPalette::Highlight));
    p.setPen(palette().color(QPalette::Shadow));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PositionBar::mousePressEvent(QMouseEvent* e) {
    if (onPress) onPress(e->button(), scaleX(e->position().x()));
}

void PositionBar::mouseMoveEvent(QMouseEvent* e) {
    if (onMove) onMove(e->buttons(), scaleX(e->position().x()));
}

void PositionBar::mouseReleaseEvent(QMouseEvent* e) {
    if (onRelease) onRelease(e->button(), scaleX(e->position().x()));
}

} // namespace kv
