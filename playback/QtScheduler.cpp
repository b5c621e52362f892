#include "QtScheduler.h"

#include <QTimerEvent>

#include <cmath>

namespace kv {

double QtScheduler::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Scheduler::Id QtScheduler::after(double seconds, std::function<void()> fn) {
    const Id id = ++m_next;
    const int timer =
        startTimer(static_cast<int>(std::max(0.0, std::ceil(seconds * 1000.0))), Qt::PreciseTimer);
    m_pending[id] = Pending{timer, std::move(fn)};
    m_byTimer[timer] = id;
    return id;
}

void QtScheduler::cancel(Id id) {
    if (auto it = m_pending.find(id); it != m_pending.end()) {
        killTimer(it->second.timer);
        m_byTimer.erase(it->second.timer);
        m_pending.erase(it);
    }
}

void QtScheduler::timerEvent(QTimerEvent* event) {
    const int timer = event->timerId();
    killTimer(timer); // each call fires once
    const auto byTimer = m_byTimer.find(timer);
    if (byTimer == m_byTimer.end()) return;
    const auto it = m_pending.find(byTimer->second);
    m_byTimer.erase(byTimer);
    if (it == m_pending.end()) return;
    const std::function<void()> fn = std::move(it->second.fn);
    m_pending.erase(it);
    fn();
}

} // namespace kv
