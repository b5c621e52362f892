// PositionBar (picFilePosition): the strip under the meter that fills while a
// recording loads and, later, shows the playback range. Its scale is its
// width in pixels; boxes are drawn from x = 0 to a given x.
#pragma once

#include <QWidget>

namespace kv {

class PositionBar : public QWidget {
    Q_OBJECT
public:
    explicit PositionBar(QWidget* parent = nullptr);

    int scaleWidth() const { return width(); }
    void clear();                   // the whole bar in its background colour
    void fillTo(int x);             // a button-face box from 0 to x
    void fillRange(int x0, int x1); // a button-face box from x0 to x1
    int filledTo() const { return m_x1; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_x0 = 0;
    int m_x1 = 0;
};

} // namespace kv
