// SplashGate: the splash stays on screen at least three seconds, counted
// from when it is first painted (it may reach the screen well after it is
// asked to show), and only then lets start-up go on.
#pragma once

#include "Scheduler.h"

#include <functional>

namespace kv {

class SplashGate {
public:
    static constexpr double kMinimumSecs = 3.0;

    SplashGate(Scheduler& scheduler, std::function<void()> whenDone)
        : m_scheduler(scheduler), m_whenDone(std::move(whenDone)) {}
    ~SplashGate() {
        if (m_id) m_scheduler.cancel(m_id);
    }
    SplashGate(const SplashGate&) = delete;
    SplashGate& operator=(const SplashGate&) = delete;

    // The splash is on screen; later calls (repaints) change nothing.
    void shown() {
        if (m_started) return;
        m_started = true;
        m_id = m_scheduler.after(kMinimumSecs, [this] {
            m_id = 0;
            m_done = true;
            m_whenDone();
        });
    }
    bool done() const { return m_done; }

private:
    Scheduler& m_scheduler;
    std::function<void()> m_whenDone;
    Scheduler::Id m_id = 0;
    bool m_started = false;
    bool m_done = false;
};

} // namespace kv
