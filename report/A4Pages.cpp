#include "A4Pages.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace kv {

QByteArray a4Pdf(const QString& title, int pageCount, const PageDrawer& draw,
                 const PageProgress& progress) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(720);
    writer.setCreator(QStringLiteral("kv Player"));
    writer.setTitle(title);
    paintA4Pages(writer, pageCount, draw, progress);
    return bytes;
}

void paintA4Pages(QPagedPaintDevice& device, int pageCount, const PageDrawer& draw,
                  const PageProgress& progress) {
    QPainter p(&device);
    if (!p.isActive()) return;
    // The device's printable area in its own units (the painter's origin is its corner).
    const QRectF area = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const double full = device.logicalDpiX() / 72.0;
    // A sheet a hair smaller than A4 prints at full size; a smaller one shrinks the page.
    const double fit = std::min(area.width() / (kA4Width * full), area.height() / (kA4Height * full));
    const double scale = full * (fit > 0.995 ? 1.0 : fit);
    const QPointF offset(std::max(0.0, (area.width() - kA4Width * scale) / 2),
                         std::max(0.0, (area.height() - kA4Height * scale) / 2));
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0) device.newPage();
        p.resetTransform();
        p.translate(offset);
        p.scale(scale, scale);
        draw(p, page);
        if (progress) progress(page + 1);
    }
    p.end();
}

QImage a4Image(int page, int dpi, const PageDrawer& draw) {
    const double scale = dpi / 72.0;
    QImage img(static_cast<int>(std::lround(kA4Width * scale)),
               static_cast<int>(std::lround(kA4Height * scale)), QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    img.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    draw(p, page);
    return img;
}

} // namespace kv
