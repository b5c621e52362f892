#include "MeterPanelView.h"

#include <QPainter>
#include <QResizeEvent>

namespace kv {

MeterPanelView::MeterPanelView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picMeterPanel"));
    // No minimum of its own: the layout sizes it from the space there is (a
    // maximised window on a low screen gets a smaller panel, not an overlap).
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MeterPanelView::setStyle(const PanelStyle& style) {
    m_panel.style = style;
    m_needle = m_panel.style.DialType == 0 || m_panel.style.DialType == 3 ? 0 : -2503;
    m_panel.Draw_Panel();
    m_panel.Update_Needle(m_needle, m_frozen);
    update();
}

void MeterPanelView::Update_FileDisplay(const std::string& text) {
    m_panel.Update_FileDisplay(text);
    update();
}

void MeterPanelView::setNeedle(std::int32_t deflection, bool frozen) {
    m_needle = deflection;
    m_frozen = frozen;
    update(m_panel.Update_Needle(deflection, frozen).translated(origin().toPoint()));
}

void MeterPanelView::updatePanelRect(const QRectF& r) {
    update(r.translated(origin()).toAlignedRect().adjusted(-1, -1, 1, 1));
}

QPointF MeterPanelView::origin() const {
    return QPointF(0, std::max(0, (height() - m_panel.heightPx()) / 2));
}

void MeterPanelView::resizeEvent(QResizeEvent* event) {
    m_panel.relayout(event->size().width(), devicePixelRatioF());
    QWidget::resizeEvent(event);
}

void MeterPanelView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect all = rect();
    const QRectF panelRect(origin(), QSizeF(m_panel.widthPx(), m_panel.heightPx()));
    // Bands above and below the panel when the widget is taller than 1.6 : 1.
    const QColor back = palette().color(QPalette::Window);
    p.fillRect(QRectF(0, 0, all.width(), panelRect.top()), back);
    p.fillRect(QRectF(0, panelRect.bottom(), all.width(), all.height() - panelRect.bottom()), back);
    m_panel.paintOn(p, origin(), event->region().translated(-origin().toPoint()));
}

} // namespace kv
