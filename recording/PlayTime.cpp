#include "PlayTime.h"

#include <cmath>
#include <cstdio>

namespace kv {

std::string Format_PlayTime(std::int32_t secs, std::int32_t totalTimeMs) {
    if (secs < 0) secs = 0;
    const int s = secs % 60;
    const int m = (secs / 60) % 60;
    const int h = secs / 3600;
    char buf[32];
    if (totalTimeMs / 1000.0 < 3600)
        std::snprintf(buf, sizeof buf, "%02d:%02d", m, s);
    else
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d", h, m, s);
    return buf;
}

std::int16_t Calc_SkipStep(std::int32_t totalSecs) {
    if (totalSecs >= 3600) return 60;
    if (totalSecs >= 1800) return 30;
    if (totalSecs >= 600) return 15;
    return 10;
}

std::int64_t roundHalfEven(double v) {
    return static_cast<std::int64_t>(std::nearbyint(v));
}

} // namespace kv
