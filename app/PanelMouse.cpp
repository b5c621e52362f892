#include "PanelMouse.h"

#include "Knob.h"
#include "MeterPanelView.h"

#include <QMouseEvent>

#include <algorithm>
#include <utility>

namespace kv {

PanelMouse::PanelMouse(MeterPanelView* view, Actions actions)
    : QObject(view), m_view(view), m_actions(std::move(actions)) {
    view->installEventFilter(this);
}

bool PanelMouse::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched != m_view || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
                              type != QEvent::MouseButtonRelease))
        return QObject::eventFilter(watched, event);
    const auto* m = static_cast<QMouseEvent*>(event);
    const MeterPanel& panel = m_view->panel();
    const QPointF p =
        m->position() - QPointF(0, std::max(0, (m_view->height() - panel.heightPx()) / 2));
    if (panel.counterRect().contains(p) && m->button() == Qt::LeftButton) {
        if (type == QEvent::MouseButtonPress) m_actions.counterPressed();
        if (type == QEvent::MouseButtonRelease) m_actions.counterReleased();
    } else if (type == QEvent::MouseButtonRelease && m->button() == Qt::LeftButton) {
        m_actions.counterReleased();
    }
    if (type == QEvent::MouseButtonPress && m->button() == Qt::LeftButton)
        m_knobDrag = panel.knobRect().contains(p);
    if (!(m->buttons() & Qt::LeftButton)) m_knobDrag = false;
    if (m_knobDrag && type != QEvent::MouseButtonRelease) pointAtKnob(p);
    return QObject::eventFilter(watched, event);
}

void PanelMouse::pointAtKnob(const QPointF& p) {
    const QRectF k = m_view->panel().knobRect();
    const double x = (p.x() - k.center().x()) / (k.width() / 2.2);
    const double y = -(p.y() - k.center().y()) / (k.height() / 2.2);
    if (const auto index = knobIndexFromPoint(x, y)) m_actions.knobPointed(*index);
}

} // namespace kv
