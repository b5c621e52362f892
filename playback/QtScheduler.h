// QtScheduler: the scheduler of the running program, on the Qt event loop
// with precise timers and the steady clock.
#pragma once

#include "Scheduler.h"

#include <QObject>

#include <chrono>
#include <map>

namespace kv {

class QtScheduler final : public QObject, public Scheduler {
public:
    explicit QtScheduler(QObject* parent = nullptr) : QObject(parent) {}
    double now() const override;
    Id after(double seconds, std::function<void()> fn) override;
    void cancel(Id id) override;

protected:
    void timerEvent(QTimerEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    // Each call is one of this object's own timers: playback asks for a
    // timer per record, and a timer object per call would be made, wired and
    // deleted a hundred times a second. A call due at once is a posted event
    // instead (timer 0): it runs in the event loop's next pass without a
    // timer to register and remove.
    struct Pending {
        int timer = 0;
        std::function<void()> fn;
    };
    void run(Id id);
    Id m_next = 0;
    std::map<Id, Pending> m_pending;
    std::map<int, Id> m_byTimer;
};

} // namespace kv
