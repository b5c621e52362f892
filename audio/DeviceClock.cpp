#include "DeviceClock.h"

#include <algorithm>
#include <cmath>

namespace kv {
namespace {

constexpr std::size_t kHistory = 48;
// A gap this many times the usual one is a stall: the device stopped.
constexpr double kStallFactor = 4.0;

} // namespace

DeviceClock::DeviceClock(double nominalRate, std::int64_t bufferFrames)
    : m_nominal(nominalRate), m_buffer(bufferFrames), m_rate(nominalRate) {}

void DeviceClock::reset() {
    m_points.clear();
    m_handed = 0;
    m_rate = m_nominal;
    m_offset = 0;
    m_lastAnswer = 0;
    m_typicalGapSecs = 0;
}

void DeviceClock::callback(std::int64_t timeNs, std::int64_t totalFrames) {
    const double period = static_cast<double>(m_buffer) / m_nominal;
    if (!m_points.empty()) {
        const double gap = static_cast<double>(timeNs - m_lastNs) * 1e-9;
        if (gap > kStallFactor * std::max(period, m_typicalGapSecs)) m_points.clear();
    }
    if (m_points.empty()) m_originNs = timeNs;
    m_lastNs = timeNs;
    m_handed = totalFrames;
    m_points.push_back({static_cast<double>(timeNs - m_originNs) * 1e-9, totalFrames});
    if (m_points.size() > kHistory) m_points.erase(m_points.begin());
    fit();
}

void DeviceClock::fit() {
    const std::size_t n = m_points.size();
    // The rate: a least-squares line through the points once there are
    // enough of them, kept near the nominal rate (a device is never far off).
    m_rate = m_nominal;
    const double span = m_points.back().secs - m_points.front().secs;
    if (n >= 8 && span > 0) {
        double st = 0, sf = 0;
        for (const Point& p : m_points)
            st += p.secs, sf += static_cast<double>(p.frames);
        const double mt = st / static_cast<double>(n), mf = sf / static_cast<double>(n);
        double num = 0, den = 0;
        for (const Point& p : m_points) {
            num += (p.secs - mt) * (static_cast<double>(p.frames) - mf);
            den += (p.secs - mt) * (p.secs - mt);
        }
        if (den > 0) m_rate = std::clamp(num / den, 0.9 * m_nominal, 1.1 * m_nominal);
    }
    // The line through the lowest point: at each callback at least the
    // frames handed over before it had been played.
    m_offset = INFINITY;
    for (const Point& p : m_points)
        m_offset = std::min(m_offset, static_cast<double>(p.frames - m_buffer) - m_rate * p.secs);
    if (n >= 2) {
        double gaps = 0;
        for (std::size_t i = 1; i < n; ++i)
            gaps += m_points[i].secs - m_points[i - 1].secs;
        m_typicalGapSecs = gaps / static_cast<double>(n - 1);
    }
}

std::int64_t DeviceClock::heardAt(std::int64_t timeNs) {
    if (m_points.empty()) return m_lastAnswer;
    const double secs = static_cast<double>(timeNs - m_originNs) * 1e-9;
    const auto onLine = static_cast<std::int64_t>(std::floor(m_offset + m_rate * secs));
    m_lastAnswer = std::max(m_lastAnswer, std::min(onLine, m_handed));
    return m_lastAnswer;
}

} // namespace kv
