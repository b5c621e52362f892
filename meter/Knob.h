// Knob geometry and gain: pure functions of the sensitivity knob.
#pragma once

#include <optional>

namespace kv {

// The needle multiplier of a knob position: its label as a number, rounded
// to the nearest whole number with halves to the even neighbour.
int gainMultiplier(int knobIndex);
// The label as a number ("1.2" -> 1.2), for the graph.
double gainValue(int knobIndex);

// An angle brought into (0, 6.28318] (0 excluded, 6.28318 included) by one
// addition or subtraction of 6.28318, for angles within one turn of that
// range; exactly 0 becomes 0.00001 so that its negation is always negative.
float CAng(float angle);

// Pointer angle in radians counter-clockwise from pointing right: position 0
// points to the lower left (5 pi / 4), 63 to the lower right (-pi / 4), in
// equal steps between; not rounded.
double knobPointerAngle(int knobIndex);

// Knob position for a click at (x, y) in knob coordinates (origin at the
// centre, y up); nothing for x = 0. The angle is mapped onto 0..63 (both
// included) and rounded to the nearest position, halves to the even one. The
// dead zone at the bottom gives 63 to the right of centre and 0 to the left.
std::optional<int> knobIndexFromPoint(double x, double y);

} // namespace kv
