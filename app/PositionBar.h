// PositionBar (picFilePosition): the strip that shows the playback range and
// how far playback has got, and fills while a recording loads. Its
// horizontal scale runs 0 to BarScale::kWidth (both included) whatever its
// width, its vertical 0 to 100.
// Mouse events are reported in that scale.
#pragma once

#include "BarScale.h"

#include <QWidget>

#include <functional>

namespace kv {

class PositionBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kScaleWidth = BarScale::kWidth;
    explicit PositionBar(QWidget* parent = nullptr);

    int scaleWidth() const { return kScaleWidth; }
    void clear();                    // the whole bar in its background colour
    // Marks in the bar's scale, each from x0 to x1. Every x is kept within
    // 0..kScaleWidth, and x1 at x0 or more.
    void fillTo(int x);              // the load progress: a button-face box from 0 to x
    void paintRange(int x0, int x1); // clear, then the range unplayed
    void paintPlayed(int x0, int x1);
    int filledTo() const { return m_range1; }
    // Repaints asked for since the bar was made: only when a drawn pixel changes.
    int repaintRequests() const { return m_repaintRequests; }

    // Scale x of a widget position: widgetX / width() of the scale, cut
    // towards zero to a whole number and kept within 0..kScaleWidth.
    int scaleX(double widgetX) const;

    std::function<void(Qt::MouseButton, int)> onPress;
    std::function<void(Qt::MouseButtons, int)> onMove;
    std::function<void(Qt::MouseButton, int)> onRelease;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double toPixels(int x) const { return x * width() / double(kScaleWidth); }
    // Asks for a repaint when the new marks fall on other pixels than the old.
    void changeMarks(int range0, int range1, int played0, int played1);
    int m_repaintRequests = 0;
    int m_range0 = 0, m_range1 = 0;
    int m_played0 = 0, m_played1 = 0;
};

} // namespace kv
