#include "TextConversion.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kv {
namespace {

std::string trimmed(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

template <typename T> std::optional<T> toWhole(const std::string& text) {
    const auto d = textToDouble(text);
    if (!d) return std::nullopt;
    const double r = std::nearbyint(*d);
    if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max()))
        return std::nullopt;
    return static_cast<T>(r);
}

} // namespace

std::optional<double> textToDouble(const std::string& text) {
    const std::string t = trimmed(text);
    if (t.empty()) return std::nullopt;
    // Plain decimal only: optional sign, digits, optional fraction.
    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    bool digits = false;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
        ++i, digits = true;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])))
            ++i, digits = true;
    }
    if (!digits || i != t.size()) return std::nullopt;
    const double v = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::int32_t> textToInt32(const std::string& text) {
    return toWhole<std::int32_t>(text);
}
std::optional<std::int16_t> textToInt16(const std::string& text) {
    return toWhole<std::int16_t>(text);
}

std::optional<bool> textToBool(const std::string& text) {
    std::string t = trimmed(text);
    std::transform(t.begin(), t.end(), t.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (t == "true") return true;
    if (t == "false") return false;
    if (const auto d = textToDouble(text)) return *d != 0.0;
    return std::nullopt;
}

std::string boolToText(bool value) {
    return value ? "True" : "False";
}

} // namespace kv
