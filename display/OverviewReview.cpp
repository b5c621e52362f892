#include "OverviewReview.h"

#include "OverviewStrip.h"

#include <QBrush>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>

#include <algorithm>
#include <cstdlib>

namespace kv {
namespace {

const QColor kArtifact(120, 96, 60);
const QColor kArtifactTint(120, 96, 60, 40);
const QColor kNote(110, 40, 170);

bool shown(const OverviewMapping& m, std::int32_t first, std::int32_t last) {
    return last - 1 >= m.first && first - 1 <= m.last;
}

// The columns from a mark's first record to its last (1-based), kept in the span.
std::pair<int, int> columnsOf(const OverviewMapping& m, const ReviewMark& mark) {
    return {m.columnOf(std::max(m.first, mark.record - 1)),
            m.columnOf(std::min(m.last, std::max(mark.record, mark.endRecord) - 1))};
}

} // namespace

void drawArtifactBands(QPainter& p, const QRect& plot, const OverviewMapping& m,
                       const ReviewNotes& review) {
    // Overlapping ranges are joined first, so that each column is hatched once.
    std::vector<std::pair<int, int>> runs;
    for (const ReviewMark& mark : review.marks) {
        if (mark.kind != MarkKind::Artifact || !shown(m, mark.record, mark.endRecord)) continue;
        const auto [x0, x1] = columnsOf(m, mark);
        if (!runs.empty() && x0 <= runs.back().second + 1)
            runs.back().second = std::max(runs.back().second, x1);
        else
            runs.emplace_back(x0, x1);
    }
    if (runs.empty()) return;
    // On an image the hatching is written as pixels into one picture of the
    // plot, drawn once; other devices (PDF) get one clipped fill of each kind,
    // so the page keeps vectors. A fill per band costs more than the
    // hatching itself when ranges are many.
    if (p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster) {
        QImage hatch(m.width, plot.height(), QImage::Format_ARGB32_Premultiplied);
        hatch.fill(Qt::transparent);
        const QRgb line = qPremultiply(QColor(kArtifact.red(), kArtifact.green(), kArtifact.blue(), 200).rgba());
        const QRgb tint = qPremultiply(kArtifactTint.rgba());
        for (const auto& [x0, x1] : runs)
            for (int y = 0; y < hatch.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(hatch.scanLine(y));
                for (int x = x0; x <= x1; ++x)
                    row[x] = (x + y) % 7 == 0 ? line : tint;
            }
        p.drawImage(plot.topLeft(), hatch);
        return;
    }
    std::vector<QRect> rects;
    for (const auto& [x0, x1] : runs)
        rects.emplace_back(plot.left() + x0, plot.top(), x1 - x0 + 1, plot.height());
    QRegion bands; // one band of rectangles side by side, set at once
    bands.setRects(rects.data(), static_cast<int>(rects.size()));
    p.save();
    p.setClipRegion(bands, Qt::IntersectClip);
    p.fillRect(bands.boundingRect(), kArtifactTint);
    p.fillRect(bands.boundingRect(), QBrush(kArtifact, Qt::BDiagPattern));
    p.restore();
}

void drawNoteFlags(QPainter& p, const QRect& plot, const OverviewMapping& m,
                   const ReviewNotes& review) {
    // One flag per column: many notes close together would only overdraw.
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(std::max(0, m.width)));
    p.save();
    for (const ReviewMark& mark : review.marks) {
        if (mark.kind != MarkKind::Note || !shown(m, mark.record, mark.endRecord)) continue;
        const auto [x0, x1] = columnsOf(m, mark);
        if (x1 > x0) p.fillRect(QRect(plot.left() + x0, plot.top(), x1 - x0 + 1, 2), kNote);
        if (mark.record - 1 >= m.first) flags[static_cast<std::size_t>(x0)] = 1;
    }
    // A pole at each flag's column; the flag itself only where it does not
    // cover the one before it. Each drawn in one call.
    std::vector<QLine> poles;
    QPainterPath pennants;
    int lastFlag = -1000;
    for (int x = 0; x < m.width; ++x) {
        if (!flags[static_cast<std::size_t>(x)]) continue;
        const int px = plot.left() + x;
        poles.emplace_back(px, plot.top(), px, plot.top() + 14);
        if (x - lastFlag < 7) continue;
        lastFlag = x;
        pennants.addPolygon(QPolygonF({QPointF(px, plot.top()), QPointF(px + 7, plot.top() + 3.5),
                                       QPointF(px, plot.top() + 7), QPointF(px, plot.top())}));
    }
    p.setPen(QPen(kNote, 1));
    p.drawLines(poles.data(), static_cast<int>(poles.size()));
    p.fillPath(pennants, kNote);
    p.restore();
}

void drawHollowMarks(QPainter& p, const std::vector<std::uint8_t>& columns, const QRect& shape,
                     const QColor& colour) {
    p.save();
    p.setPen(QPen(colour, 1));
    p.setBrush(Qt::NoBrush);
    for (std::size_t x = 0; x < columns.size(); ++x)
        if (columns[x])
            p.drawRect(QRectF(shape.left() + static_cast<int>(x) - 1 + 0.5, shape.top() + 0.5,
                              shape.width() - 1, shape.height() - 1));
    p.restore();
}

std::vector<std::size_t> notesNearColumn(const ReviewNotes& review, const OverviewMapping& m,
                                         int x, int slack) {
    std::vector<std::pair<int, std::size_t>> near;
    for (std::size_t i = 0; i < review.marks.size(); ++i) {
        const ReviewMark& mark = review.marks[i];
        if (mark.kind != MarkKind::Note || mark.record - 1 < m.first || mark.record - 1 > m.last)
            continue;
        // The flag stands at the column of the note's first record, and
        // reaches 6 columns to its right.
        const int dx = x - m.columnOf(mark.record - 1);
        if (dx >= -slack && dx <= 6 + slack) near.emplace_back(std::abs(dx), i);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::size_t> out;
    for (const auto& n : near)
        out.push_back(n.second);
    return out;
}

} // namespace kv
