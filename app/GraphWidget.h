// GraphWidget (picGraph): shows the graph strip drawn by the display layer.
#pragma once

#include "GraphView.h"

#include <QWidget>

namespace kv {

class GraphWidget : public QWidget {
    Q_OBJECT
public:
    explicit GraphWidget(QWidget* parent = nullptr);
    GraphView& graph() { return m_graph; }
    // Adds a reading; the widget repaints only when the strip's picture changed.
    void plot(std::int32_t value, int knobIndex, bool testMode);
    // Repaints asked for since the widget was made (for tests and benchmarks).
    int repaintRequests() const { return m_repaintRequests; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    GraphView m_graph;
    int m_repaintRequests = 0;
};

} // namespace kv
