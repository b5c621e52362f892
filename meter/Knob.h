// Knob geometry and gain: pure functions of the sensitivity knob.
#pragma once

#include <optional>

namespace kv {

// The needle multiplier of a knob position: its label as a number, rounded
// to the nearest whole number with halves to the even neighbour.
int gainMultiplier(int knobIndex);
// The label as a number ("1.2" -> 1.2), for the graph.
double gainValue(int knobIndex);

// An angle brought into 0..6.28318 by one addition or subtraction; exactly 0
// becomes 0.00001 so that its negation is always negative.
float CAng(float angle);

// Pointer angle in radians counter-clockwise from pointing right: position 0
// points to the lower left, 63 to the lower right.
double knobPointerAngle(int knobIndex);

// Knob position for a click at (x, y) in knob coordinates (origin at the
// centre, y up); nothing for x = 0. The dead zone at the bottom gives 63 to
// the right of centre and 0 to the left.
std::optional<int> knobIndexFromPoint(double x, double y);

} // namespace kv
