#include "Knob.h"

#include "GainTable.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace kv {

double gainValue(int knobIndex) {
    // The labels as numbers, parsed once: the needle law asks for every record.
    static const std::array<double, kKnobPositions> values = [] {
        std::array<double, kKnobPositions> v{};
        for (int i = 0; i < kKnobPositions; ++i)
            v[static_cast<std::size_t>(i)] = std::strtod(gainLabel(i), nullptr);
        return v;
    }();
    return values[static_cast<std::size_t>(clampKnobIndex(knobIndex))];
}

int gainMultiplier(int knobIndex) {
    return static_cast<int>(std::nearbyint(gainValue(knobIndex)));
}

float CAng(float angle) {
    if (angle == 0.0f) return 0.00001f;
    if (angle < 0.0f) return angle + 6.28318f;
    if (angle > 6.28318f) return angle - 6.28318f;
    return angle;
}

double knobPointerAngle(int knobIndex) {
    constexpr double kPi = 3.14159265358979323846;
    return (63 - knobIndex) * (3 * kPi / 2) / 63 - kPi / 4;
}

std::optional<int> knobIndexFromPoint(double x, double y) {
    if (x == 0) return std::nullopt;
    double a = std::atan(y / x);
    if (x < 0)
        a += 3.14159265358979323846;
    else if (y < 0)
        a += 2 * 3.14159265358979323846;
    double b = 15.70795 / 4 - a;
    if (b < 0) b += 6.28318;
    if (b > 9.42477 / 2) return x > 0 ? 63 : 0;
    return static_cast<int>(std::nearbyint(b * 63 / (9.42477 / 2)));
}

} // namespace kv
