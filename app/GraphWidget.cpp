#include "GraphWidget.h"

#include <QPainter>
#include <QResizeEvent>

namespace kv {

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picGraph"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphWidget::plot(std::int32_t value, int knobIndex, bool testMode) {
    if (!m_graph.Update_Graph(value, knobIndex, testMode)) return;
    ++m_repaintRequests;
    update();
}

void GraphWidget::resizeEvent(QResizeEvent* event) {
    m_graph.resize(std::max(1, event->size().width()), std::max(1, event->size().height()),
                   devicePixelRatioF());
    QWidget::resizeEvent(event);
}

void GraphWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPointF(0, 0), m_graph.surface().image());
}

} // namespace kv
