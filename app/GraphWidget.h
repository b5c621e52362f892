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
    void plot(std::int32_t value, int knobIndex, bool testMode);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    GraphView m_graph;
};

} // namespace kv
