// The look the reports share: page margins, inks and the font, and the
// title band at the top of a page.
#pragma once

#include "A4Pages.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QString>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace kv::page {

// Page geometry, in points.
inline constexpr double kLeft = 42, kTop = 40, kContentWidth = 511, kBottom = kA4Height - 48;

inline const QColor kInk(30, 30, 30);
inline const QColor kGrey(110, 110, 110);
inline const QColor kRule(190, 190, 190);
inline const QColor kGrid(225, 225, 225);
inline const QColor kBaseLine(206, 92, 0); // as the overview's Base
inline const QColor kStripe(244, 244, 238);

inline QFont font(double pixels, bool bold = false, bool italic = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    f.setBold(bold);
    f.setItalic(italic);
    // No ligatures: "fi" stays two letters that a reader can find and copy.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

// The title on the left, what the page is on the right, and a rule under
// them; returns the top of what follows.
inline double drawTitleBand(QPainter& p, double top, const QString& title, const QString& what) {
    p.setPen(kInk);
    p.setFont(font(16, true));
    p.drawText(QPointF(kLeft, top + 15), title);
    p.setFont(font(8));
    p.setPen(kGrey);
    p.drawText(
        QPointF(kLeft + kContentWidth - QFontMetricsF(p.font()).horizontalAdvance(what), top + 15),
        what);
    top += 22;
    p.setPen(QPen(kRule, 0.6));
    p.drawLine(QPointF(kLeft, top), QPointF(kLeft + kContentWidth, top));
    return top + 4;
}

// Lines of a grey key and its value beside it, 13 points apart, in `body`;
// returns the top of what follows.
inline double drawKeyLines(QPainter& p, double top, const QFont& body,
                           const std::vector<std::pair<QString, QString>>& lines) {
    p.setFont(body);
    for (const auto& [key, value] : lines) {
        top += 13;
        p.setPen(kGrey);
        p.drawText(QPointF(kLeft, top), key);
        p.setPen(kInk);
        p.drawText(QPointF(kLeft + 80, top), value);
    }
    return top + 10;
}

} // namespace kv::page
