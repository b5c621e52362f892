#include "QtScheduler.h"

#include <QTimer>

#include <cmath>

namespace kv {

double QtScheduler::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Scheduler::Id QtScheduler::after(double seconds, std::function<void()> fn) {
    const Id id = ++m_next;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, id, fn = std::move(fn)] {
        if (auto it = m_timers.find(id); it != m_timers.end()) {
            it->second->deleteLater();
            m_timers.erase(it);
        }
        fn();
    });
    m_timers[id] = timer;
    timer->start(static_cast<int>(std::max(0.0, std::ceil(seconds * 1000.0))));
    return id;
}

void QtScheduler::cancel(Id id) {
    if (auto it = m_timers.find(id); it != m_timers.end()) {
        it->second->stop();
        it->second->deleteLater();
        m_timers.erase(it);
    }
}

} // namespace kv
