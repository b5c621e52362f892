// Conversions of setting texts to numbers and Booleans. Numbers accept
// surrounding blanks and a decimal fraction, rounded to the nearest whole
// number with halves to the even neighbour. Anything else does not convert.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kv {

std::optional<double> textToDouble(const std::string& text);
std::optional<std::int32_t> textToInt32(const std::string& text);
std::optional<std::int16_t> textToInt16(const std::string& text);
// "True"/"False" in any letter case, or a number (0 = False, other = True).
std::optional<bool> textToBool(const std::string& text);
std::string boolToText(bool value); // "True" or "False"

} // namespace kv
