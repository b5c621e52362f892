// GraphView: the strip chart of the raw reading (picGraph). It keeps the
// last 200 plotted points in a ring, plots one point for every second call,
// and the whole strip is drawn anew for each plotted point so the trace
// scrolls right to left. The vertical scale follows the knob's gain; turning
// the knob restarts the strip centred on the current reading.
//
// The points' columns are not evenly spaced (199 slots over the width), so a
// scrolled picture is not the old one shifted. A window therefore paints the
// strip straight into its own buffer with paint(), which costs one fill and
// the strokes and no copy of a picture; surface() draws the same picture into
// an image only when someone asks for it (see keepImage).
#pragma once

#include "Surface.h"

#include <QRect>

#include <array>
#include <cstdint>
#include <vector>

namespace kv {

struct GraphOptions {
    bool GraphInvert = false;
    bool GridX = false;
    bool GridY = false;
    int GraphPenWidth_Index = 2;
    std::int32_t GraphSheet_Color = 11924207;
    std::int32_t GraphPen_Color = 0;
    std::int32_t GraphGrid_Color = 12632256;
};

struct GraphTrace {
    std::array<std::int32_t, 200> value{};
    std::array<std::int32_t, 200> x{};
    std::array<bool, 200> GridMark{};
    std::array<std::int32_t, 6> GridLevel{};
    std::int16_t Newest = 0;
    std::int16_t Oldest = 1;
    std::int32_t Baseline = 0;
    std::int16_t KnobAtStart = 0;
    std::int16_t CallCount = 0;
};

class GraphView {
public:
    void resize(int widthPx, int heightPx, qreal devicePixelRatio = 1.0);

    GraphOptions options;
    bool GraphResetPending = true;
    // False when the strip is shown through paint() only: the image is then
    // drawn just when surface() is asked for.
    bool keepImage = true;

    // One reading. knobIndex and testMode choose the gain. With draw false
    // the trace is updated but no new picture is reported (catching up fast).
    // True when the picture changed (every second reading, or a knob restart).
    bool Update_Graph(std::int32_t value, int knobIndex, bool testMode, bool draw = true);

    // The part of the strip, in pixels, whose picture the last change of
    // picture may have altered: the strokes' bounds before and after it, or
    // the whole strip when it was cleared. The rest of the strip is sheet
    // colour both times, so a window repaints only this.
    QRect lastChange() const { return m_lastChange; }

    const GraphTrace& trace() const { return m_trace; }
    // The strip as an image, drawn when first asked for after a change.
    const Surface& surface() const;
    // Paints the strip as surface() shows it, at the painter's origin.
    void paint(QPainter& painter) const;

private:
    using Segments = std::vector<std::array<double, 4>>;
    void segments(Segments& grid, Segments& trace) const;
    void noteChange();
    mutable Surface m_surface;
    GraphTrace m_trace;
    bool m_blank = true;                 // cleared: no trace drawn since
    mutable bool m_surfaceStale = false; // the image lags the trace
    QRectF m_strokeBounds;               // of the strokes in the picture, in pixels
    QRect m_lastChange;
};

} // namespace kv
