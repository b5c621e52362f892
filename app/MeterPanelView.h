// MeterPanelView (picMeterPanel): shows the meter panel drawn by the display
// layer. It keeps the panel sized to its width (height = width / 1.6) and
// repaints only what a needle move changed.
#pragma once

#include "MeterPanel.h"

#include <QWidget>

#include <string>

namespace kv {

class MeterPanelView : public QWidget {
    Q_OBJECT
public:
    explicit MeterPanelView(QWidget* parent = nullptr);

    MeterPanel& panel() { return m_panel; }
    void setStyle(const PanelStyle& style);
    void Update_FileDisplay(const std::string& text);
    const std::string& fileDisplayText() const { return m_panel.readouts.fileText; }
    void setNeedle(std::int32_t deflection, bool frozen);
    // Shows the needle where it last stood (after a full redraw).
    void showNeedleAgain() { setNeedle(m_needle, m_frozen); }
    // Repaints only these panel pixels (a readout that changed).
    void updatePanelRect(const QRectF& panelPixels);
    std::int32_t needle() const { return m_needle; } // the deflection last shown
    QPointF origin() const; // where the panel's top left corner sits in the widget

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override { return static_cast<int>(w / 1.6); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    MeterPanel m_panel;
    std::int32_t m_needle = 0;
    bool m_frozen = false;
};

} // namespace kv
