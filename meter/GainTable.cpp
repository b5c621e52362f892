#include "GainTable.h"

#include <algorithm>

namespace kv {
namespace {

const char* const kLabels[kKnobPositions] = {
    "1.0", "1.2", "1.4", "1.4", "1.6", "1.8", "2.0", "2.0", "2.5", "2.5", "2.5", "3.0", "3.0",
    "3.5", "3.5", "3.5", "4.0", "4.0", "4.5", "4.5", "5.0", "5.0", "5.5", "5.5", "6.0", "6.0",
    "6.5", "6.5", "7.0", "7.5", "7.5", "8.0", "8.5", "8.5", "9.0", "9.5", "10",  "10",  "11",
    "11",  "12",  "12",  "13",  "13",  "14",  "15",  "15",  "16",  "17",  "18",  "19",  "20",
    "20",  "22",  "22",  "24",  "26",  "28",  "28",  "30",  "33",  "35",  "37",  "40"};

} // namespace

int clampKnobIndex(int knobIndex) {
    return std::clamp(knobIndex, 0, kKnobPositions - 1);
}
const char* gainLabel(int knobIndex) {
    return kLabels[clampKnobIndex(knobIndex)];
}

} // namespace kv
