#include "SyntheticFalls.h"

#include "Knob.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace kv {
namespace {

// Deflection units of one dial division: 110 degrees in 40 divisions.
constexpr double kDivision = 65536.0 * (1.9198606 / 40.0) / 6.28318;
constexpr double kRecoverySecs = 4.0;

std::uint8_t baseCodeOf(double raw) {
    const auto h = static_cast<std::int64_t>(std::nearbyint(raw / 2));
    return static_cast<std::uint8_t>(((h * 61550) / 32768 + 1170) / 256);
}

} // namespace

FallRecording makeFallRecording(const FallOptions& o) {
    FallRecording out;
    const std::size_t n = static_cast<std::size_t>(std::max(0, o.records));
    out.records.resize(n);
    const int gain = gainMultiplier(o.knobIndex);
    const double unit = kDivision / gain; // raw units per division
    std::mt19937 rng(o.seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 1.0);
    const auto between = [&](double lo, double hi) { return lo + (hi - lo) * uniform(rng); };

    // The falls first: onset time, duration, size.
    struct Fall {
        double start, secs, size;
    };
    std::vector<Fall> falls;
    const double total = static_cast<double>(n) * 0.02;
    for (double t = between(3.0, 8.0); t + o.maxFallSecs < total - 0.2;
         t += between(o.minGapSecs, o.maxGapSecs))
        falls.push_back({t, between(o.minFallSecs, o.maxFallSecs),
                         between(o.minFallDivisions, o.maxFallDivisions) * unit});

    double setPoint = -1;
    std::size_t next = 0; // first fall not yet finished
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) * 0.02;
        // A slow drift of a few divisions over ten minutes.
        double raw = o.level + 3 * unit * std::sin(2 * std::numbers::pi * t / 600.0);
        while (next < falls.size() && t > falls[next].start + falls[next].secs + 10 * kRecoverySecs)
            ++next;
        for (std::size_t k = next; k < falls.size() && falls[k].start < t; ++k) {
            const Fall& f = falls[k];
            const double into = t - f.start;
            if (into < f.secs)
                raw -= f.size * (1 - std::cos(std::numbers::pi * into / f.secs)) / 2;
            else
                raw -= f.size * std::exp(-(into - f.secs) / kRecoverySecs);
        }
        if (o.noiseDivisions > 0) raw += noise(rng) * o.noiseDivisions * unit;
        raw = std::clamp(std::nearbyint(raw), 0.0, 65535.0);

        // The recorded needle on the Traditional dial, re-centred when it
        // would leave the scale.
        if (setPoint < 0) setPoint = raw;
        double deflection = (setPoint - raw) * gain - 2503;
        if (std::abs(deflection) > 10000) {
            setPoint = raw;
            deflection = -2503;
        }
        SampleRecord& r = out.records[i];
        r.TimeMs = static_cast<std::int32_t>(i * 20);
        r.RawReading = static_cast<std::uint16_t>(raw);
        r.NeedlePos = static_cast<std::int16_t>(deflection);
        r.BaseCode = baseCodeOf(raw);
        r.SensIndex = static_cast<std::uint8_t>(o.knobIndex);
        r.StatusFlags = 0x08 | (1 << 5); // counter on, Traditional dial
        r.RecordType = 'O';
    }
    for (const Fall& f : falls) {
        const auto onset = static_cast<std::int32_t>(std::ceil(f.start / 0.02));
        const auto peak = static_cast<std::int32_t>(std::floor((f.start + f.secs) / 0.02));
        out.falls.push_back({onset, peak, f.size / unit});
    }
    if (n > 0 && o.clockStartSecs > 0) {
        const std::int32_t s = o.clockStartSecs;
        out.records[0].MarkType = 'C';
        out.records[0].MarkData = {0, static_cast<std::uint8_t>((s >> 16) & 0xFF),
                                   static_cast<std::uint8_t>((s >> 8) & 0xFF),
                                   static_cast<std::uint8_t>(s & 0xFF)};
    }
    if (n > 1 && o.dayNumber > 0) {
        out.records[1].MarkType = 'D';
        out.records[1].MarkData = {0, 0, static_cast<std::uint8_t>((o.dayNumber >> 8) & 0xFF),
                                   static_cast<std::uint8_t>(o.dayNumber & 0xFF)};
    }
    return out;
}

} // namespace kv
