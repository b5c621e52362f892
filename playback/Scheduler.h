// Scheduler: time and one-shot callbacks for the playback engine and the
// window's timers. The Qt scheduler runs them from the event loop with
// precise timers; the virtual scheduler runs them when a test advances its
// clock, so every timing rule can be tested without sleeping.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace kv {

class Scheduler {
public:
    using Id = std::uint64_t;
    virtual ~Scheduler() = default;
    virtual double now() const = 0; // seconds on a steady clock
    // Runs fn once, `seconds` from now. Returns an id for cancel().
    virtual Id after(double seconds, std::function<void()> fn) = 0;
    virtual void cancel(Id id) = 0;
};

// A named one-shot timer on a scheduler, like a window timer that runs once
// per start: start() restarts it, stop() cancels it.
class OneShot {
public:
    OneShot(Scheduler& s, double interval, std::function<void()> fn)
        : m_s(s), m_interval(interval), m_fn(std::move(fn)) {}
    ~OneShot() { stop(); }
    void start() {
        stop();
        m_id = m_s.after(m_interval, [this] {
            m_id = 0;
            m_fn();
        });
    }
    void startIfIdle() {
        if (!running()) start();
    }
    void stop() {
        if (m_id) m_s.cancel(m_id);
        m_id = 0;
    }
    bool running() const { return m_id != 0; }

private:
    Scheduler& m_s;
    double m_interval;
    std::function<void()> m_fn;
    Scheduler::Id m_id = 0;
};

// Virtual time for tests: advance() runs every callback that falls due, in
// time order, with now() at its due time.
class VirtualScheduler final : public Scheduler {
public:
    double now() const override { return m_now; }
    Id after(double seconds, std::function<void()> fn) override {
        const Id id = ++m_next;
        m_due.emplace(std::make_pair(m_now + std::max(0.0, seconds), id), std::move(fn));
        return id;
    }
    void cancel(Id id) override {
        for (auto it = m_due.begin(); it != m_due.end(); ++it)
            if (it->first.second == id) {
                m_due.erase(it);
                return;
            }
    }
    void advance(double seconds) { runUntil(m_now + seconds); }
    void runUntil(double t) {
        while (!m_due.empty() && m_due.begin()->first.first <= t) {
            auto node = m_due.extract(m_due.begin());
            m_now = std::max(m_now, node.key().first);
            node.mapped()();
        }
        m_now = std::max(m_now, t);
    }

private:
    double m_now = 1000.0;
    Id m_next = 0;
    std::map<std::pair<double, Id>, std::function<void()>> m_due;
};

} // namespace kv
