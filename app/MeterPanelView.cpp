#include "MeterPanelView.h"

#include <QPainter>

namespace kv {

QColor fromColourSetting(std::int32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

MeterPanelView::MeterPanelView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picMeterPanel"));
    setMinimumSize(650, static_cast<int>(650 / 1.6));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MeterPanelView::setPanelColour(std::int32_t colour) {
    m_panel = fromColourSetting(colour);
    update();
}

void MeterPanelView::setTextColour(std::int32_t colour) {
    m_text = fromColourSetting(colour);
    update();
}

void MeterPanelView::Update_FileDisplay(const std::string& text) {
    m_fileText = text;
    update();
}

void MeterPanelView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_panel);
    QFont f = font();
    f.setPixelSize(std::max(10, height() / 32));
    p.setFont(f);
    p.setPen(m_text);
    const QRect line(0, height() - f.pixelSize() * 2, width(), f.pixelSize() * 2);
    p.drawText(line, Qt::AlignCenter, QString::fromStdString(m_fileText));
}

} // namespace kv
