#include "SessionTime.h"

#include "PlayTime.h"

#include <optional>
#include <vector>

namespace kv {
namespace {

constexpr const char* kForms = "Type a time such as 1:23:45, 83:45, 5025 or 12.5s.";

SessionTimeResult refuse(std::string reason) {
    SessionTimeResult r;
    r.reason = std::move(reason);
    return r;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A field of at most nine digits (no overflow), none empty.
std::optional<std::int64_t> wholeField(std::string_view f) {
    if (f.empty() || f.size() > 9) return std::nullopt;
    std::int64_t v = 0;
    for (char c : f) {
        if (!isDigit(c)) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Seconds with an optional fraction of up to three digits, in milliseconds.
std::optional<std::int64_t> secondsField(std::string_view f) {
    const auto dot = f.find('.');
    const auto whole = wholeField(f.substr(0, dot));
    if (!whole) return std::nullopt;
    std::int64_t ms = *whole * 1000;
    if (dot == std::string_view::npos) return ms;
    const std::string_view frac = f.substr(dot + 1);
    if (frac.empty() || frac.size() > 3) return std::nullopt;
    std::int64_t scale = 100;
    for (char c : frac) {
        if (!isDigit(c)) return std::nullopt;
        ms += (c - '0') * scale;
        scale /= 10;
    }
    return ms;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string timeText(std::int64_t ms, std::int32_t totalMs) {
    return Format_PlayTime(static_cast<std::int32_t>(ms / 1000), totalMs);
}

} // namespace

SessionTimeResult parseSessionTime(std::string_view text, const SessionTimeContext& ctx) {
    const std::string_view t = trimmed(text);
    if (t.empty()) return refuse(std::string("No time was typed. ") + kForms);
    if (t.front() == '-') return refuse("A time cannot be negative.");
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const auto colon = t.find(':', from);
        parts.push_back(t.substr(from, colon == std::string_view::npos ? colon : colon - from));
        if (colon == std::string_view::npos) break;
        from = colon + 1;
    }
    if (parts.size() > 3) return refuse("\"" + std::string(t) + "\" is not a time. " + kForms);

    std::int64_t ms = 0;
    std::optional<std::int64_t> dayMs; // the same text read as a time of day
    if (parts.size() == 1) {
        std::string_view secs = parts[0];
        if (!secs.empty() && (secs.back() == 's' || secs.back() == 'S')) secs.remove_suffix(1);
        const auto v = secondsField(trimmed(secs));
        if (!v) return refuse("\"" + std::string(t) + "\" is not a time. " + kForms);
        ms = *v;
    } else {
        std::vector<std::int64_t> whole;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            const auto v = wholeField(parts[i]);
            if (!v) return refuse("\"" + std::string(t) + "\" is not a time. " + kForms);
            whole.push_back(*v);
        }
        const auto secs = secondsField(parts.back());
        if (!secs) return refuse("\"" + std::string(t) + "\" is not a time. " + kForms);
        if (*secs >= 60000 || (parts.size() == 3 && whole[1] >= 60))
            return refuse("Minutes and seconds go from 00 to 59.");
        if (parts.size() == 2) {
            ms = whole[0] * 60000 + *secs;
        } else {
            ms = whole[0] * 3600000 + whole[1] * 60000 + *secs;
            if (whole[0] < 24) dayMs = ms;
        }
    }

    SessionTimeResult r;
    if (dayMs && ctx.clockStartSecs != 0) {
        // Past midnight the recording's clock goes on from 24:00.
        std::int64_t since = *dayMs - std::int64_t{ctx.clockStartSecs} * 1000;
        if (since < 0) since += 24 * 3600000LL;
        if (since <= ctx.totalTimeMs) {
            r.ok = true;
            r.ms = static_cast<std::int32_t>(since);
            r.timeOfDay = true;
            return r;
        }
    }
    if (ms > ctx.totalTimeMs) {
        std::string why = "That is past the end of the recording (" +
                          timeText(ctx.totalTimeMs, ctx.totalTimeMs) + ").";
        if (dayMs && ctx.clockStartSecs == 0)
            why += " The recording has no clock mark, so a time of day cannot be used.";
        else if (dayMs)
            why += " As a time of day it is outside the recording too.";
        return refuse(why);
    }
    r.ok = true;
    r.ms = static_cast<std::int32_t>(ms);
    return r;
}

} // namespace kv
