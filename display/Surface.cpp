#include "Surface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>

namespace kv {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kDotsPerMeter96 = 3780; // 96 dpi, so points map to pixels as on a standard screen

double degrees(double radians) {
    return radians * 180.0 / kPi;
}

} // namespace

QColor qColor(std::int32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

Surface::Surface(int widthPx, int heightPx, qreal dpr) {
    resize(widthPx, heightPx, dpr);
}

void Surface::resize(int widthPx, int heightPx, qreal dpr) {
    m_widthPx = std::max(1, widthPx);
    m_heightPx = std::max(1, heightPx);
    m_image = QImage(static_cast<int>(std::lround(m_widthPx * dpr)),
                     static_cast<int>(std::lround(m_heightPx * dpr)), QImage::Format_RGB32);
    m_image.setDevicePixelRatio(dpr);
    m_image.setDotsPerMeterX(kDotsPerMeter96);
    m_image.setDotsPerMeterY(kDotsPerMeter96);
    m_font = QFont(QStringLiteral("Sans Serif"));
    Clear();
}

void Surface::setScale(double left, double top, double width, double height) {
    m_left = left;
    m_top = top;
    m_width = width == 0 ? 1 : width;
    m_height = height == 0 ? 1 : height;
}

void Surface::setBackColor(std::int32_t colour) {
    m_back = colour;
    Clear();
}

void Surface::Clear() {
    m_image.fill(qColor(m_back));
    m_x = m_left;
    m_y = m_top;
}

void Surface::setFont(double points, bool bold, bool italic) {
    m_font.setStyleHint(QFont::SansSerif);
    m_font.setPointSizeF(std::max(1.0, points));
    m_font.setBold(bold);
    m_font.setItalic(italic);
}

QPointF Surface::toPixels(double x, double y) const {
    return {(x - m_left) / m_width * m_widthPx, (y - m_top) / m_height * m_heightPx};
}

QPen Surface::pen(std::int32_t colour) const {
    QPen p(qColor(colour));
    p.setWidthF(std::max(1.0, m_penWidth));
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

void Surface::paintWith(const std::function<void(QPainter&)>& draw) {
    if (m_image.isNull()) return;
    QPainter p(&m_image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
}

void Surface::line(double x1, double y1, double x2, double y2, std::optional<std::int32_t> colour) {
    const QPointF a = toPixels(x1, y1), b = toPixels(x2, y2);
    paintWith([&](QPainter& p) {
        p.setPen(pen(colour.value_or(m_fore)));
        p.drawLine(a, b);
    });
    m_x = x2;
    m_y = y2;
}

void Surface::lines(const std::vector<std::array<double, 4>>& segments, std::int32_t colour,
                    Qt::PenCapStyle cap) {
    if (segments.empty() || m_image.isNull()) return;
    QPainter p(&m_image);
    linesOn(p, segments, colour, cap);
}

void Surface::linesOn(QPainter& p, const std::vector<std::array<double, 4>>& segments,
                      std::int32_t colour, Qt::PenCapStyle cap) const {
    if (segments.empty()) return;
    p.setRenderHint(QPainter::Antialiasing);
    QPen strokes = pen(colour);
    strokes.setCapStyle(cap);
    p.setPen(strokes);
    for (const auto& s : segments)
        p.drawLine(toPixels(s[0], s[1]), toPixels(s[2], s[3]));
}

void Surface::clearOn(QPainter& p) const {
    p.fillRect(QRectF(0, 0, m_widthPx, m_heightPx), qColor(m_back));
}

void Surface::box(double x1, double y1, double x2, double y2, std::int32_t colour, bool filled) {
    const QRectF r = QRectF(toPixels(x1, y1), toPixels(x2, y2)).normalized();
    paintWith([&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        if (filled) {
            p.fillRect(r, qColor(colour));
        } else {
            p.setPen(pen(colour));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r);
        }
    });
}

void Surface::point(double x, double y, std::optional<std::int32_t> colour) {
    const QPointF c = toPixels(x, y);
    const double r = std::max(1.0, m_penWidth) / 2.0;
    paintWith([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(qColor(colour.value_or(m_fore)));
        p.drawEllipse(c, r, r);
    });
}

void Surface::circle(double x, double y, double radius, std::optional<std::int32_t> colour) {
    const QPointF c = toPixels(x, y);
    const double r = std::fabs(radius / m_width * m_widthPx);
    paintWith([&](QPainter& p) {
        p.setPen(pen(colour.value_or(m_fore)));
        p.setBrush(m_fillSolid ? QBrush(qColor(m_fillColour)) : Qt::NoBrush);
        p.drawEllipse(c, r, r);
    });
}

void Surface::arc(double x, double y, double radius, std::int32_t colour, double start,
                  double end) {
    const QPointF c = toPixels(x, y);
    const double r = std::fabs(radius / m_width * m_widthPx);
    const bool radiusToStart = start < 0, radiusToEnd = end < 0;
    start = std::fabs(start);
    end = std::fabs(end);
    double sweep = end - start;
    if (sweep < 0) sweep += 2 * kPi;
    // Screen y grows downwards when the user's y grows upwards: angles turn.
    const bool flipped = (m_height < 0) == (m_width > 0);
    const double startDeg = flipped ? degrees(start) : -degrees(start);
    const double sweepDeg = flipped ? degrees(sweep) : -degrees(sweep);
    const QRectF rect(c.x() - r, c.y() - r, 2 * r, 2 * r);
    QPainterPath path;
    if (radiusToStart)
        path.moveTo(c);
    else
        path.arcMoveTo(rect, startDeg);
    path.arcTo(rect, startDeg, sweepDeg);
    if (radiusToEnd) path.lineTo(c);
    const bool wedge = radiusToStart && radiusToEnd;
    if (wedge) path.closeSubpath();
    paintWith([&](QPainter& p) {
        p.setPen(pen(colour));
        p.setBrush(wedge && m_fillSolid ? QBrush(qColor(m_fillColour)) : Qt::NoBrush);
        p.drawPath(path);
    });
}

void Surface::eraseText(const std::string& text) {
    const QFontMetricsF fm(m_font, &m_image);
    const double margin = std::ceil(fm.height() * 0.15);
    const QRectF box =
        QRectF(toPixels(m_x, m_y),
               QSizeF(fm.horizontalAdvance(QString::fromStdString(text)), fm.height()))
            .adjusted(-margin, -margin, margin, margin);
    const qreal dpr = m_image.devicePixelRatio();
    const QRect device = QRectF(box.topLeft() * dpr, box.bottomRight() * dpr).toAlignedRect();
    paintWith([&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(QPointF(device.topLeft()) / dpr, QSizeF(device.size()) / dpr),
                   qColor(m_back));
    });
}

double Surface::textWidth(const std::string& text) const {
    const QFontMetricsF fm(m_font, &m_image);
    return fm.horizontalAdvance(QString::fromStdString(text)) / m_widthPx * m_width;
}

double Surface::textHeight(const std::string&) const {
    const QFontMetricsF fm(m_font, &m_image);
    return fm.height() / m_heightPx * m_height;
}

double Surface::textAscent() const {
    const QFontMetricsF fm(m_font, &m_image);
    return fm.ascent() / m_heightPx * m_height;
}

void Surface::print(const std::string& text) {
    const QString s = QString::fromStdString(text);
    const QPointF topLeft = toPixels(m_x, m_y);
    paintWith([&](QPainter& p) {
        p.setFont(m_font);
        const QFontMetricsF fm(m_font, p.device());
        const QRectF box(topLeft, QSizeF(fm.horizontalAdvance(s), fm.height()));
        if (m_textOpaque) p.fillRect(box, qColor(m_back));
        p.setPen(qColor(m_fore));
        p.drawText(QPointF(topLeft.x(), topLeft.y() + fm.ascent()), s);
    });
    m_y += textHeight(text);
    m_x = m_left;
}

} // namespace kv
