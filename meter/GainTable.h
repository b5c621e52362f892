// The sensitivity knob's 64-row gain table: the printed label of each knob
// position. The label, read as a number, is the needle multiplier.
#pragma once

#include <string>

namespace kv {

inline constexpr int kKnobPositions = 64;

// Label of a knob position ("1.0" .. "40"); positions above 63 read as 63,
// below 0 as 0 (clampKnobIndex).
const char* gainLabel(int knobIndex);
// The knob position nearest knobIndex: 0..63 (kKnobPositions - 1), both ends included.
int clampKnobIndex(int knobIndex);

} // namespace kv
