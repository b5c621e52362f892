#include "DeviceClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace kv {
namespace {

constexpr double kRate = 44100;
constexpr std::int64_t kBuffer = 1024;
constexpr double kPeriod = kBuffer / kRate;

// A simulated device: it plays at trueRate what it has been handed and
// nothing more, and asks for buffers at the scripted callback times. The
// model must follow what is really played within 5 ms and never step back.
struct Result {
    double worstMs = 0;
    bool steppedBack = false;
};

Result simulate(double trueRate, const std::vector<double>& callbackTimes, double endSecs) {
    DeviceClock clock(kRate, kBuffer);
    double played = 0;
    std::int64_t handed = 0;
    std::size_t next = 0;
    std::int64_t last = 0;
    Result r;
    constexpr double dt = 0.0001;
    for (double t = 0; t < endSecs; t += dt) {
        while (next < callbackTimes.size() && callbackTimes[next] <= t) {
            handed += kBuffer;
            clock.callback(static_cast<std::int64_t>(callbackTimes[next] * 1e9), handed);
            ++next;
        }
        played = std::min(played + trueRate * dt, static_cast<double>(handed));
        const std::int64_t heard = clock.heardAt(static_cast<std::int64_t>(t * 1e9));
        if (heard < last) r.steppedBack = true;
        last = heard;
        if (t > 0.3) r.worstMs = std::max(r.worstMs, std::abs(heard - played) / kRate * 1000);
    }
    return r;
}

std::vector<double> regular(double rate, double endSecs, double from = 0) {
    std::vector<double> times;
    for (double t = from; t < endSecs; t += kBuffer / rate)
        times.push_back(t);
    return times;
}

TEST(DeviceClock, FollowsRegularBurstyFastAndStallingDevices) {
    const double end = 5.0;
    const Result steady = simulate(kRate, regular(kRate, end), end);
    EXPECT_LT(steady.worstMs, 5.0);
    EXPECT_FALSE(steady.steppedBack);

    // Callbacks two at a time, every other period.
    std::vector<double> bursts;
    for (double t = 0; t < end; t += 2 * kPeriod)
        bursts.insert(bursts.end(), {t, t + 0.0002});
    const Result bursty = simulate(kRate, bursts, end);
    EXPECT_LT(bursty.worstMs, 5.0);
    EXPECT_FALSE(bursty.steppedBack);

    // A device 0.5 % fast.
    const Result fast = simulate(kRate * 1.005, regular(kRate * 1.005, end), end);
    EXPECT_LT(fast.worstMs, 5.0);
    EXPECT_FALSE(fast.steppedBack);

    // A 200-ms stall: no callbacks, the device plays out what it has and waits.
    std::vector<double> stalled;
    for (double t : regular(kRate, end))
        if (t < 2.0 || t > 2.2) stalled.push_back(t);
    const Result stall = simulate(kRate, stalled, end);
    EXPECT_LT(stall.worstMs, 5.0);
    EXPECT_FALSE(stall.steppedBack);
}

TEST(DeviceClock, AnswersNothingBeforeTheFirstCallbackAndStartsAgainAfterAReset) {
    DeviceClock clock(kRate, kBuffer);
    EXPECT_EQ(clock.heardAt(1'000'000), 0);
    clock.callback(0, kBuffer);
    EXPECT_EQ(clock.heardAt(0), 0);
    EXPECT_NEAR(static_cast<double>(clock.heardAt(10'000'000)), 441, 1); // 10 ms in
    EXPECT_EQ(clock.heardAt(1'000'000'000), kBuffer); // never past what was handed over
    clock.reset();
    EXPECT_EQ(clock.heardAt(2'000'000'000), 0);
}

} // namespace
} // namespace kv
