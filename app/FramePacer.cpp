#include "FramePacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace kv {

FramePacer::FramePacer(QWidget* window, int intervalMs)
    : QObject(window), m_window(window), m_interval(intervalMs) {
    m_clock.start();
    window->installEventFilter(this);
}

// A repaint request that comes too soon is held back; Qt keeps the dirty
// region and sends no further request until this one is answered, so one
// request posted when the interval is over paints everything at once.
bool FramePacer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window || event->type() != QEvent::UpdateRequest) return false;
    const qint64 now = m_clock.elapsed();
    if (!m_active || now - m_last >= m_interval) {
        m_last = now;
        return false;
    }
    if (!m_pending) {
        m_pending = true;
        QTimer::singleShot(static_cast<int>(m_interval - (now - m_last)), this, [this] {
            m_pending = false;
            QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest));
        });
    }
    return true;
}

} // namespace kv
