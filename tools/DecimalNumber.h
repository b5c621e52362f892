// Numbers typed on a command line, read strictly and the same in every
// locale: the whole text in plain decimal notation ("1.5", ".5", "2e3",
// "-4"). No hexadecimal, no blanks or plus sign in front, nothing infinite.
#pragma once

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <system_error>

namespace kv {

inline std::optional<double> decimalNumber(std::string_view text) {
    double v = 0;
    const char* const last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, v, std::chars_format::general);
    if (text.empty() || ec != std::errc() || end != last || !std::isfinite(v)) return std::nullopt;
    return v;
}

inline std::optional<long> wholeNumber(std::string_view text) {
    long v = 0;
    const char* const last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, v);
    if (text.empty() || ec != std::errc() || end != last) return std::nullopt;
    return v;
}

} // namespace kv
