#include "GraphView.h"

#include "Knob.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

namespace kv {

void GraphView::resize(int widthPx, int heightPx, qreal dpr) {
    m_surface.resize(widthPx, heightPx, dpr);
    m_blank = true;
    m_surfaceStale = false;
    GraphResetPending = true;
}

bool GraphView::Update_Graph(std::int32_t value, int knobIndex, bool testMode, bool draw) {
    GraphTrace& t = m_trace;
    const std::int64_t v = options.GraphInvert ? value : 65536 - std::int64_t{value};
    if (GraphResetPending) {
        t.value.fill(0);
        t.GridMark.fill(false);
        m_surface.setScale(0, 65900, m_surface.widthPx(), -65900);
        m_surface.setPenWidth(options.GraphPenWidth_Index);
        m_surface.setBackColor(options.GraphSheet_Color);
        m_blank = true;
        m_surfaceStale = false;
        // Sheet, scale or pen may have changed: the next picture is drawn whole.
        m_strokeBounds = QRectF(0, 0, m_surface.widthPx(), m_surface.heightPx());
        for (int i = 0; i < 200; i += 20)
            t.GridMark[static_cast<std::size_t>(i)] = true;
        for (int k = 1; k <= 6; ++k)
            t.GridLevel[static_cast<std::size_t>(k - 1)] =
                static_cast<std::int32_t>(std::nearbyint(k * 65536.0 / 7));
        const double w = m_surface.scaleWidth();
        for (int i = 0; i < 200; ++i)
            t.x[static_cast<std::size_t>(i)] =
                static_cast<std::int32_t>(std::nearbyint(i * w)) / 199;
        GraphResetPending = false;
    }
    ++t.CallCount;
    if (t.CallCount % 2 != 0) return false;
    t.CallCount = 0;
    const double g = gainValue(testMode ? 1 : knobIndex);
    if (knobIndex == t.KnobAtStart) {
        t.Newest = static_cast<std::int16_t>(t.Newest + 1 == 200 ? 0 : t.Newest + 1);
        t.Oldest = static_cast<std::int16_t>(t.Newest == 199 ? 0 : t.Newest + 1);
        std::int32_t& newest = t.value[static_cast<std::size_t>(t.Newest)];
        newest = static_cast<std::int32_t>(std::nearbyint(static_cast<double>(v) * g * 2));
        while (newest - std::int64_t{t.Baseline} > 64536)
            t.Baseline += 5000;
        while (newest - std::int64_t{t.Baseline} < 1000)
            t.Baseline -= 5000;
        if (draw) {
            m_blank = false;
            m_surfaceStale = true;
            noteChange();
            if (keepImage) surface();
        }
        return draw;
    }
    m_surface.Clear();
    m_blank = true;
    m_surfaceStale = false;
    m_strokeBounds = QRectF();
    m_lastChange = QRect(0, 0, m_surface.widthPx(), m_surface.heightPx());
    t.KnobAtStart = static_cast<std::int16_t>(knobIndex);
    t.value.fill(0);
    t.Baseline = static_cast<std::int32_t>(std::nearbyint(static_cast<double>(v) * g * 2 - 32768));
    return true;
}

void GraphView::noteChange() {
    Segments grid, trace;
    segments(grid, trace);
    QRectF bounds;
    for (const Segments* s : {&grid, &trace})
        for (const auto& seg : *s)
            bounds |= QRectF(m_surface.toPixels(seg[0], seg[1]), m_surface.toPixels(seg[2], seg[3]))
                          .normalized();
    // Half the pen and the anti-aliased fringe beyond it; a flat line has
    // empty bounds, hence the margin on every side.
    const double margin = std::max(1.0, m_surface.penWidth()) / 2 + 2;
    const QRectF before = m_strokeBounds;
    m_strokeBounds = bounds.isNull() ? QRectF() : bounds.adjusted(-margin, -margin, margin, margin);
    const QRect strip(0, 0, m_surface.widthPx(), m_surface.heightPx());
    m_lastChange = before.united(m_strokeBounds).toAlignedRect() & strip;
}

void GraphView::segments(Segments& grid, Segments& trace) const {
    const GraphTrace& t = m_trace;
    const double w = m_surface.scaleWidth();
    if (options.GridY)
        for (std::int32_t level : t.GridLevel)
            grid.push_back({0, double(level), w, double(level)});
    std::int32_t prev = t.value[static_cast<std::size_t>(t.Oldest)];
    int r = t.Oldest;
    for (int j = 1;; ++j) {
        r = r + 1 == 200 ? 0 : r + 1;
        const auto ri = static_cast<std::size_t>(r);
        const auto slot = static_cast<std::size_t>(std::min(j, 199));
        const double xj = t.x[slot];
        if (options.GridX && t.GridMark[ri]) grid.push_back({xj, 0, xj, 65536});
        if (prev != 0)
            trace.push_back({double(t.x[slot - 1]), prev - double(t.Baseline), xj,
                             t.value[ri] - double(t.Baseline)});
        prev = t.value[ri];
        if (r == t.Newest) break;
    }
}

const Surface& GraphView::surface() const {
    if (m_surfaceStale) {
        m_surfaceStale = false;
        m_surface.Clear();
        Segments grid, trace;
        segments(grid, trace);
        // The grid first, so the trace lies on top of it.
        m_surface.lines(grid, options.GraphGrid_Color, Qt::FlatCap);
        m_surface.lines(trace, options.GraphPen_Color, Qt::FlatCap);
    }
    return m_surface;
}

void GraphView::paint(QPainter& p) const {
    p.save();
    m_surface.clearOn(p);
    if (!m_blank) {
        Segments grid, trace;
        segments(grid, trace);
        m_surface.linesOn(p, grid, options.GraphGrid_Color, Qt::FlatCap);
        m_surface.linesOn(p, trace, options.GraphPen_Color, Qt::FlatCap);
    }
    p.restore();
}

} // namespace kv
