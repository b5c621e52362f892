// GraphView: the strip chart of the raw reading (picGraph). It keeps the
// last 200 plotted points in a ring, plots one point for every second call,
// and redraws the whole strip at each plotted point so the trace scrolls
// right to left. The vertical scale follows the knob's gain; turning the knob
// restarts the strip centred on the current reading.
#pragma once

#include "Surface.h"

#include <array>
#include <cstdint>

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

    // One reading. knobIndex and testMode choose the gain. With draw false
    // the trace is updated but the strip is not redrawn (catching up fast).
    // True when the picture changed (every second reading, or a knob restart).
    bool Update_Graph(std::int32_t value, int knobIndex, bool testMode, bool draw = true);

    const GraphTrace& trace() const { return m_trace; }
    const Surface& surface() const { return m_surface; }

private:
    void redraw();
    Surface m_surface;
    GraphTrace m_trace;
};

} // namespace kv
