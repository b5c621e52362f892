// DeviceClock: where a sound device is in what it plays, between its
// callbacks. A device takes a buffer at each callback and plays it over the
// following period, but callbacks arrive late, early or in bursts. The model
// fits the device's rate over the last callbacks and places the line on the
// lowest of the points "frames handed over less one buffer" (what had been
// played at least, at each callback). Its answer never steps backwards and
// never passes what was handed over; after a long gap (a stall) the history
// starts again.
#pragma once

#include <cstdint>
#include <vector>

namespace kv {

class DeviceClock {
public:
    // nominalRate: frames per second the device is asked to play;
    // bufferFrames: the frames it takes at each callback.
    DeviceClock(double nominalRate, std::int64_t bufferFrames);

    // Forgets everything: playing starts again at frame 0.
    void reset();
    // A callback at timeNs (steady clock) after which totalFrames have been
    // handed over since the start.
    void callback(std::int64_t timeNs, std::int64_t totalFrames);
    // The frame being heard at timeNs (0 before the first callback).
    std::int64_t heardAt(std::int64_t timeNs);

    double rate() const { return m_rate; }

private:
    void fit();

    struct Point {
        double secs;         // since the first point of the history
        std::int64_t frames; // handed over after the callback
    };
    double m_nominal;
    std::int64_t m_buffer;
    std::vector<Point> m_points; // the last callbacks, oldest first
    std::int64_t m_originNs = 0;
    std::int64_t m_lastNs = 0;
    std::int64_t m_handed = 0;
    double m_rate;
    double m_offset = 0; // frames at secs 0 on the fitted line
    std::int64_t m_lastAnswer = 0;
    double m_typicalGapSecs = 0;
};

} // namespace kv
