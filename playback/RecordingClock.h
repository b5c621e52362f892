// RecordingClock: seconds of the recording as the sound plays them. At 1x it
// reads the wall clock it is given; at another speed it runs that many times
// as fast, from where it stood when the speed changed, so it never jumps and
// never runs backwards. The meter model's timers (auto-SET, lamp hold,
// motion hold) run on it, so that at every speed they last the same stretch
// of the recording as at 1x.
#pragma once

#include <functional>

namespace kv {

class RecordingClock {
public:
    explicit RecordingClock(std::function<double()> wallNow) : m_wall(std::move(wallNow)) {}

    double now() const { return at(m_wall()); }
    double speed() const { return m_speed; }
    void setSpeed(double speed) {
        const double wall = m_wall();
        m_base = at(wall);
        m_baseWall = wall;
        m_speed = speed;
    }
    // Wall-clock seconds until this clock reads t.
    double wallSecondsUntil(double t) const { return (t - now()) / m_speed; }

private:
    double at(double wall) const { return m_base + (wall - m_baseWall) * m_speed; }

    std::function<double()> m_wall;
    double m_base = 0;     // this clock's reading at m_baseWall
    double m_baseWall = 0; // the wall time of the last speed change
    double m_speed = 1.0;
};

} // namespace kv
