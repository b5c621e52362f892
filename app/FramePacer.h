// FramePacer: at most one repaint of a window per screen refresh while it is
// active, and never more than the 50 frames a second of normal speed. At
// playback speeds above 1x records come faster than that; the state is
// updated for every record and the window is painted with the latest of them
// once a frame, so drawing costs no more than at 1x. Time comes from the
// window's scheduler, so the pacing runs on virtual time in tests.
#pragma once

#include "Scheduler.h"

#include <QObject>

class QWidget;

namespace kv {

class FramePacer final : public QObject {
public:
    // The shortest time between two paints at normal speed: one record.
    static constexpr double kNormalFrameSeconds = 0.020;

    FramePacer(QWidget* window, Scheduler& clock);
    void setActive(bool active);
    // The shortest time between two paints while active: a screen refresh,
    // or a record's time at normal speed when the screen refreshes faster.
    double interval() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void postHeldRequest();

    QWidget* m_window;
    Scheduler& m_clock;
    bool m_active = false;
    Scheduler::Id m_held = 0; // the posting of a held-back request
    double m_last = -1e9;
};

} // namespace kv
