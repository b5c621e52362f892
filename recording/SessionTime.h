// What the user types to go to a moment of a recording: a session time
// ("1:23:45", "83:45", "5025", "12.5s") or, when the recording has a clock
// mark, a time of day ("10:41:30"). Parsed strictly to whole milliseconds;
// anything else is refused with a reason to show the user.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

struct SessionTimeContext {
    std::int32_t totalTimeMs = 0;    // the recording's length
    std::int32_t clockStartSecs = 0; // time of day of its start in seconds; 0: no clock mark
};

struct SessionTimeResult {
    bool ok = false;
    std::int32_t ms = 0;    // session time, 0 .. totalTimeMs, when ok
    bool timeOfDay = false; // the text was read as a time of day
    std::string reason;     // why it was refused, when not ok
};

// Forms, blanks around them allowed:
//   H:MM:SS[.f]  hours, minutes and seconds (minutes and seconds below 60)
//   M:SS[.f]     minutes (any number) and seconds
//   S[.f][s]     seconds, with an optional "s"
// Fractions have at most three digits. With a clock mark, an H:MM:SS that
// falls within the recording as a time of day (hours below 24) is read as
// one; otherwise it is a session time.
SessionTimeResult parseSessionTime(std::string_view text, const SessionTimeContext& context);

} // namespace kv
