// Time-stretch benchmark: one hour of 44.1-kHz stereo sound through the
// speed stretcher at 1.5x, offline on one core, as the feeder thread would
// stretch it. Prints the real-time factor (seconds of sound per second of CPU).
#include "TimeStretch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <random>
#include <vector>

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

} // namespace

int main() {
    constexpr int kRate = 44100, kChannels = 2, kBlock = 1024;
    constexpr double kSeconds = 3600, kSpeed = 1.5;
    // Ten seconds of a voice-like signal (a wandering tone with noise), looped.
    std::vector<float> source(static_cast<std::size_t>(10 * kRate * kChannels));
    std::mt19937 rng(1);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    double phase = 0;
    for (std::size_t f = 0; f < source.size() / kChannels; ++f) {
        const double hz = 180 + 60 * std::sin(2 * std::numbers::pi * 0.7 * f / kRate);
        phase += 2 * std::numbers::pi * hz / kRate;
        const float v = static_cast<float>(0.3 * std::sin(phase)) + noise(rng);
        source[f * kChannels] = v;
        source[f * kChannels + 1] = 0.8f * v;
    }
    kv::TimeStretch stretch(kRate, kChannels);
    stretch.setTempo(kSpeed);
    std::vector<float> out(static_cast<std::size_t>(kBlock * kChannels));
    const auto total = static_cast<std::int64_t>(kSeconds * kRate);
    const auto loop = static_cast<std::int64_t>(source.size() / kChannels);
    std::int64_t fed = 0, produced = 0;
    const double cpu0 = cpuSeconds();
    while (fed < total) {
        const std::int64_t at = fed % loop;
        const std::int64_t n =
            std::min<std::int64_t>({std::int64_t{kBlock}, loop - at, total - fed});
        stretch.put(source.data() + at * kChannels, static_cast<std::size_t>(n));
        fed += n;
        while (const std::size_t got = stretch.take(out.data(), kBlock))
            produced += static_cast<std::int64_t>(got);
    }
    stretch.finish();
    while (const std::size_t got = stretch.take(out.data(), kBlock))
        produced += static_cast<std::int64_t>(got);
    const double cpu = cpuSeconds() - cpu0;
    std::printf("stretch: sound_s=%.0f speed=%.2f out_s=%.1f cpu_s=%.2f realtime_factor=%.1f\n",
                kSeconds, kSpeed, static_cast<double>(produced) / kRate, cpu, kSeconds / cpu);
    return 0;
}
