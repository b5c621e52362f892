#include "QtScheduler.h"

#include <QCoreApplication>
#include <QTimerEvent>

#include <cmath>

namespace kv {

double QtScheduler::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

// A call due at once, posted to the scheduler; it names the call by its id.
class DueNow final : public QEvent {
public:
    static QEvent::Type kind() {
        static const int type = QEvent::registerEventType();
        return static_cast<QEvent::Type>(type);
    }
    explicit DueNow(Scheduler::Id call) : QEvent(kind()), id(call) {}
    const Scheduler::Id id;
};

} // namespace

Scheduler::Id QtScheduler::after(double seconds, std::function<void()> fn) {
    const Id id = ++m_next;
    if (seconds <= 0) {
        m_pending[id] = Pending{0, std::move(fn)};
        QCoreApplication::postEvent(this, new DueNow(id));
        return id;
    }
    const int timer =
        startTimer(static_cast<int>(std::max(0.0, std::ceil(seconds * 1000.0))), Qt::PreciseTimer);
    m_pending[id] = Pending{timer, std::move(fn)};
    m_byTimer[timer] = id;
    return id;
}

void QtScheduler::cancel(Id id) {
    if (auto it = m_pending.find(id); it != m_pending.end()) {
        if (it->second.timer != 0) {
            killTimer(it->second.timer);
            m_byTimer.erase(it->second.timer);
        }
        m_pending.erase(it); // a posted call finds nothing to run
    }
}

void QtScheduler::timerEvent(QTimerEvent* event) {
    const int timer = event->timerId();
    killTimer(timer); // each call fires once
    const auto byTimer = m_byTimer.find(timer);
    if (byTimer == m_byTimer.end()) return;
    const Id id = byTimer->second;
    m_byTimer.erase(byTimer);
    run(id);
}

void QtScheduler::customEvent(QEvent* event) {
    if (event->type() == DueNow::kind()) run(static_cast<DueNow*>(event)->id);
}

void QtScheduler::run(Id id) {
    const auto it = m_pending.find(id);
    if (it == m_pending.end()) return; // cancelled
    const std::function<void()> fn = std::move(it->second.fn);
    m_pending.erase(it);
    fn();
}

} // namespace kv
