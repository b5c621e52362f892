// PanelMouse: the mouse on the meter panel. A left press and release on the
// counter press and release it (a release elsewhere still ends a press); a
// drag that began on the knob turns it wherever the pointer goes while the
// button is held.
#pragma once

#include <QObject>

#include <functional>

namespace kv {

class MeterPanelView;

class PanelMouse : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> counterPressed;
        std::function<void()> counterReleased;
        std::function<void(int knobIndex)> knobPointed; // the knob position under the pointer
    };
    PanelMouse(MeterPanelView* view, Actions actions);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pointAtKnob(const QPointF& panelPixel);

    MeterPanelView* m_view;
    Actions m_actions;
    bool m_knobDrag = false; // the left button went down on the knob
};

} // namespace kv
