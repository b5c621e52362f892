#include "PositionBar.h"

#include <QPainter>

namespace kv {

PositionBar::PositionBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picFilePosition"));
    setMinimumHeight(14);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PositionBar::clear() {
    m_x0 = m_x1 = 0;
    update();
}

void PositionBar::fillTo(int x) { fillRange(0, x); }

void PositionBar::fillRange(int x0, int x1) {
    m_x0 = std::clamp(x0, 0, scaleWidth());
    m_x1 = std::clamp(x1, m_x0, scaleWidth());
    update();
}

void PositionBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    p.fillRect(QRect(m_x0, 0, m_x1 - m_x0, height()), palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::Shadow));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace kv
