#include "BarScale.h"

#include <algorithm>
#include <cmath>

namespace kv {

int BarScale::clampX(double x) {
    return std::clamp(static_cast<int>(x), 0, kWidth);
}

int BarScale::xOf(std::int32_t record) const {
    if (records <= 0) return 0;
    return std::clamp(
        static_cast<int>(std::nearbyint(static_cast<double>(record) / records * kWidth)), 0,
        kWidth);
}

std::int32_t BarScale::recordAt(int x) const {
    const auto r =
        static_cast<std::int32_t>(std::nearbyint(static_cast<double>(x) / kWidth * records));
    return std::clamp<std::int32_t>(r, 1, records);
}

} // namespace kv
