#include "FramePacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace kv {

FramePacer::FramePacer(QWidget* window, Scheduler& clock)
    : QObject(window), m_window(window), m_clock(clock) {
    window->installEventFilter(this);
}

double FramePacer::interval() const {
    const QScreen* screen = m_window->screen();
    const double refresh = screen ? screen->refreshRate() : 0;
    return std::max(kNormalFrameSeconds, refresh > 1 ? 1.0 / refresh : 0.0);
}

void FramePacer::setActive(bool active) {
    m_active = active;
    // A request held back is answered now: nothing waits for a pacing that ended.
    if (!active && m_held) {
        m_clock.cancel(m_held);
        postHeldRequest();
    }
}

void FramePacer::postHeldRequest() {
    m_held = 0;
    QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest));
}

// A repaint request that comes too soon is held back; Qt keeps the dirty
// region and sends no further request until this one is answered, so one
// request posted when the interval is over paints everything at once.
bool FramePacer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window || event->type() != QEvent::UpdateRequest) return false;
    const double now = m_clock.now();
    const double wait = m_last + interval() - now;
    if (!m_active || wait <= 1e-9) {
        m_last = now;
        return false;
    }
    // The window may own the scheduler, which may then go first: the
    // callback checks that the pacer is still there rather than the pacer
    // cancelling it on the way out.
    if (!m_held)
        m_held = m_clock.after(wait, [self = QPointer<FramePacer>(this)] {
            if (self) self->postHeldRequest();
        });
    return true;
}

} // namespace kv
