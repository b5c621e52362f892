// Time texts of the elapsed and total labels, and the skip step.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

// Minutes and seconds ("07:05") for recordings under one hour, otherwise
// hours, minutes and seconds ("1:07:05"). The form follows the length of the
// recording, so every text of one recording has the same form.
std::string Format_PlayTime(std::int32_t secs, std::int32_t totalTimeMs);

// Seconds that Fwd and Rev skip for a recording of totalSecs.
std::int16_t Calc_SkipStep(std::int32_t totalSecs);

// Nearest whole number, halves to the even neighbour.
std::int64_t roundHalfEven(double v);

} // namespace kv
