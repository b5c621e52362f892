// Time texts of the elapsed and total labels, and the skip step.
#pragma once

#include <cstdint>
#include <string>

namespace kv {

// Minutes and seconds ("07:05") for recordings under one hour (totalTimeMs
// below 3,600,000), otherwise hours, minutes and seconds ("1:07:05"). The form
// follows the length of the recording, so every text of one recording has the
// same form. secs is already whole: the caller rounds; below 0 reads as 0.
std::string Format_PlayTime(std::int32_t secs, std::int32_t totalTimeMs);

// Seconds that Fwd and Rev skip for a recording of totalSecs: 60 from one
// hour (3600 s included), 30 from 1800 s, 15 from 600 s, else 10.
std::int16_t Calc_SkipStep(std::int32_t totalSecs);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2).
std::int64_t roundHalfEven(double v);

} // namespace kv
