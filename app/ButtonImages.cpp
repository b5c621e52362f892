#include "ButtonImages.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace kv {
namespace {

constexpr qreal kDisabledOpacity = 90 / 255.0;

// Draws one image into a 24 x 24 design box.
void drawImage(QPainter& p, const QString& key, const QColor& ink) {
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(ink);
    auto poly = [&](std::initializer_list<QPointF> pts) { p.drawPolygon(QPolygonF(pts)); };
    if (key == QLatin1String("Stop")) {
        p.drawRect(QRectF(6, 6, 12, 12));
    } else if (key == QLatin1String("Play")) {
        poly({{7, 5}, {19, 12}, {7, 19}});
    } else if (key == QLatin1String("Pause")) {
        p.drawRect(QRectF(6.5, 5.5, 3.5, 13));
        p.drawRect(QRectF(14, 5.5, 3.5, 13));
    } else if (key == QLatin1String("Fwd")) {
        poly({{3, 6}, {12, 12}, {3, 18}});
        poly({{12, 6}, {21, 12}, {12, 18}});
    } else if (key == QLatin1String("Rev")) {
        poly({{21, 6}, {12, 12}, {21, 18}});
        poly({{12, 6}, {3, 12}, {12, 18}});
    } else if (key == QLatin1String("Load")) {
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({{3, 19}, {3, 6}, {9, 6}, {11, 8}, {19, 8}, {19, 11}}));
        p.setBrush(ink);
        poly({{3, 19}, {7, 11}, {22, 11}, {18, 19}});
    } else if (key == QLatin1String("Save")) {
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(4, 4, 16, 16), 2, 2);
        p.setBrush(ink);
        p.drawRect(QRectF(8, 4, 8, 5));
        p.drawRect(QRectF(7, 13, 10, 7));
    } else if (key == QLatin1String("LeftBracket") || key == QLatin1String("RightBracket")) {
        p.setBrush(Qt::NoBrush);
        const bool left = key == QLatin1String("LeftBracket");
        const double x = left ? 8 : 16, tip = left ? 13 : 11;
        p.drawPolyline(QPolygonF({{tip, 4}, {x, 4}, {x, 20}, {tip, 20}}));
        poly(left ? std::initializer_list<QPointF>{{13, 9}, {19, 12}, {13, 15}}
                  : std::initializer_list<QPointF>{{11, 9}, {5, 12}, {11, 15}});
    } else if (key == QLatin1String("Expand")) {
        p.drawLine(QPointF(5, 12), QPointF(19, 12));
        poly({{3, 12}, {8, 8}, {8, 16}});
        poly({{21, 12}, {16, 8}, {16, 16}});
        p.drawLine(QPointF(2, 5), QPointF(2, 19));
        p.drawLine(QPointF(22, 5), QPointF(22, 19));
    } else if (key == QLatin1String("Single")) {
        p.drawLine(QPointF(4, 12), QPointF(15, 12));
        poly({{18, 12}, {13, 8}, {13, 16}});
        p.drawLine(QPointF(20, 6), QPointF(20, 18));
    } else if (key == QLatin1String("Loop")) {
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 5, 14, 14), 30 * 16, 300 * 16);
        p.setBrush(ink);
        poly({{19, 4}, {19, 10.5}, {13, 8}});
    }
}

class ImageEngine final : public QIconEngine {
public:
    ImageEngine(QString key, QColor ink) : m_key(std::move(key)), m_ink(ink) {}
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        p->save();
        p->translate(rect.topLeft());
        p->scale(rect.width() / 24.0, rect.height() / 24.0);
        if (mode == QIcon::Disabled) {
            // Drawn whole, then faded as one: overlapping strokes of a
            // translucent ink would come out darker in some pictures.
            const qreal dpr = p->device() ? p->device()->devicePixelRatioF() : 1.0;
            QImage picture(QSize(24, 24) * std::max<qreal>(1.0, rect.width() / 24.0) * dpr,
                           QImage::Format_ARGB32_Premultiplied);
            picture.fill(Qt::transparent);
            {
                QPainter q(&picture);
                q.scale(picture.width() / 24.0, picture.height() / 24.0);
                drawImage(q, m_key, m_ink);
            }
            p->setOpacity(kDisabledOpacity);
            p->drawImage(QRectF(0, 0, 24, 24), picture);
        } else {
            drawImage(*p, m_key, m_ink);
        }
        p->restore();
    }
    QIconEngine* clone() const override { return new ImageEngine(m_key, m_ink); }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

private:
    QString m_key;
    QColor m_ink;
};

} // namespace

QIcon buttonImage(const QString& key, const QColor& ink) {
    return QIcon(new ImageEngine(key, ink));
}

} // namespace kv
