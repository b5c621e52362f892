// QtScheduler: the scheduler of the running program, on the Qt event loop
// with precise timers and the steady clock.
#pragma once

#include "Scheduler.h"

#include <QObject>

#include <chrono>
#include <map>

class QTimer;

namespace kv {

class QtScheduler final : public QObject, public Scheduler {
public:
    explicit QtScheduler(QObject* parent = nullptr) : QObject(parent) {}
    double now() const override;
    Id after(double seconds, std::function<void()> fn) override;
    void cancel(Id id) override;

private:
    Id m_next = 0;
    std::map<Id, QTimer*> m_timers;
};

} // namespace kv
