#include "GraphWidget.h"

#include <QPainter>
#include <QResizeEvent>

namespace kv {

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picGraph"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_graph.keepImage = false; // painted straight into the window
}

void GraphWidget::plot(std::int32_t value, int knobIndex, bool testMode) {
    if (!m_graph.Update_Graph(value, knobIndex, testMode)) return;
    ++m_repaintRequests;
    update(m_graph.lastChange());
}

void GraphWidget::resizeEvent(QResizeEvent* event) {
    m_graph.resize(std::max(1, event->size().width()), std::max(1, event->size().height()),
                   devicePixelRatioF());
    QWidget::resizeEvent(event);
}

void GraphWidget::paintEvent(QPaintEvent*) {
    // Drawn straight into the window's buffer, clipped to what changed: the
    // strip's columns move at each plotted point, so a picture of it would
    // only be copied again.
    QPainter p(this);
    m_graph.paint(p);
}

} // namespace kv
