#include "MeterModel.h"
#include "GainTable.h"
#include "Knob.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kv {
namespace {

// A model on virtual time, with its first sample already taken (no reset,
// no SET pending), so each test starts from a settled needle.
class MeterTest : public ::testing::Test {
protected:
    MeterTest() : model([this] { return now; }) {}
    void settle(int dial, int knob, std::int32_t reading) {
        model.DialType = dial;
        model.KnobIndex = knob;
        model.ResetPending = true;
        std::int32_t d = reading;
        model.Calc_Needle(d);
        model.ResetPending = false;
    }
    std::int32_t needle(std::int32_t reading) { return model.Calc_Needle(reading); }
    // One override sample at 20-ms steps of virtual time.
    void overrideSample(std::uint16_t raw) {
        now += 0.02;
        model.fireDueTimers();
        model.CurrentRecord.RawReading = raw;
        model.Process_Sample();
        model.computeDeflection();
        model.ResetPending = false;
    }
    double now = 100.0;
    MeterModel model;
};

TEST(Knob, GainAnglesAndClicks) {
    EXPECT_EQ(gainMultiplier(0), 1);
    EXPECT_EQ(gainMultiplier(8), 2);   // "2.5"
    EXPECT_EQ(gainMultiplier(13), 4);  // "3.5"
    EXPECT_EQ(gainMultiplier(18), 4);  // "4.5"
    EXPECT_EQ(gainMultiplier(22), 6);  // "5.5"
    EXPECT_EQ(gainMultiplier(35), 10); // "9.5"
    EXPECT_EQ(gainMultiplier(63), 40);
    EXPECT_STREQ(gainLabel(99), "40"); // above 63 reads as 63
    EXPECT_FLOAT_EQ(CAng(0), 0.00001f);
    EXPECT_FLOAT_EQ(CAng(-1), 5.28318f);
    EXPECT_FLOAT_EQ(CAng(7), 7 - 6.28318f);
    EXPECT_NEAR(knobPointerAngle(0), 5 * M_PI / 4, 1e-9);
    EXPECT_NEAR(knobPointerAngle(63), -M_PI / 4, 1e-9);
    EXPECT_EQ(knobIndexFromPoint(0.002, 0.5), 32); // just right of straight up
    EXPECT_EQ(knobIndexFromPoint(0.1, -0.9), 63);  // dead zone, right
    EXPECT_EQ(knobIndexFromPoint(-0.1, -0.9), 0);  // dead zone, left
    EXPECT_EQ(knobIndexFromPoint(-0.7, -0.7), 0);  // lower-left stop
    EXPECT_FALSE(knobIndexFromPoint(0, 0.5));
}

TEST_F(MeterTest, CircularDialsWrapAroundTheFullTurn) {
    settle(0, 0, 5000); // G = 1
    EXPECT_EQ(needle(4000), 1000);
    settle(0, 6, 50000);             // "2.0": G = 2
    EXPECT_EQ(needle(10000), 14464); // 80000 mod 65536
    settle(3, 0, 0);
    EXPECT_EQ(needle(40000), static_cast<std::int16_t>(-40000 & 0xFFFF));
}

TEST_F(MeterTest, TraditionalDialClampsAndAutoSets) {
    settle(1, 63, 30000); // G = 40
    EXPECT_EQ(needle(30000), -2503);
    EXPECT_EQ(needle(29000), 10500); // far right: clamped, right-end timer runs
    EXPECT_TRUE(model.timerRunning(MeterModel::kTmrFall));
    EXPECT_EQ(needle(40000), -10500);
    EXPECT_TRUE(model.timerRunning(MeterModel::kTmrRise));
    EXPECT_TRUE(model.timerRunning(MeterModel::kTmrFall)); // each only stops inside ±10000

    // Held beyond the left end: SET after 0.4 s.
    settle(1, 63, 30000);
    needle(40000);
    now += 0.39;
    model.fireDueTimers();
    EXPECT_FALSE(model.SetRequest);
    now += 0.02;
    model.fireDueTimers();
    EXPECT_TRUE(model.SetRequest);
    EXPECT_EQ(needle(40000), -2503);
    EXPECT_EQ(model.LampColor, Lamp::Set);
    EXPECT_EQ(needle(40000), -2503); // re-centred on the new reading
}

TEST_F(MeterTest, ATimerDueAtARecordsTimeFiresBeforeThatRecord) {
    // Record times are whole milliseconds; the clock reads them as seconds.
    int late = 0;
    for (int t = 0; t < 60000; t += 20) {
        settle(1, 63, 30000);
        model.SetRequest = false;
        now = t / 1000.0;
        needle(40000); // beyond the left end: the 400-ms timer starts
        now = (t + 400) / 1000.0;
        model.fireDueTimers();
        late += model.SetRequest ? 0 : 1;
    }
    EXPECT_EQ(late, 0);
}

TEST_F(MeterTest, ContinuousDialRecentresAtEightThousand) {
    settle(2, 0, 20000);                            // G = 1
    EXPECT_EQ(needle(20000 - 10504), -3497 - 2503); // e = 8001 -> about -6000
    settle(2, 0, 20000);
    EXPECT_EQ(needle(20000 + 5498), 8503 - 2503); // e = -8001 -> about +6000
}

TEST_F(MeterTest, KnobChangeKeepsTheNeedleAndFreezeHoldsIt) {
    settle(1, 16, 30000); // G = 4
    const std::int32_t before = needle(29000);
    model.KnobIndex = 40; // G = 12
    EXPECT_NEAR(needle(29000), before, 12);

    settle(0, 16, 30000);
    const std::int32_t held = needle(29500);
    model.FreezeActive = true;
    EXPECT_EQ(needle(25000), held);
    EXPECT_EQ(needle(20000), held);
    EXPECT_EQ(model.SetPoint, held / 4 + 20000); // the set point follows the reading
    model.SetRequest = true;                     // served on circular dials even when frozen
    EXPECT_EQ(needle(20000), 0);

    settle(1, 16, 30000);
    model.FreezeActive = true;
    model.SetRequest = true; // waits on the sector dials
    needle(29000);
    EXPECT_TRUE(model.SetRequest);
    model.FreezeActive = false;
    EXPECT_EQ(needle(29000), -2503);
    EXPECT_FALSE(model.SetRequest);
}

TEST_F(MeterTest, SetLampHoldsForThreeHundredMilliseconds) {
    settle(0, 8, 1000);
    model.SetRequest = true;
    needle(1000);
    EXPECT_EQ(model.LampColor, Lamp::Set);
    now += 0.29;
    model.fireDueTimers();
    EXPECT_EQ(model.LampColor, Lamp::Set);
    now += 0.02;
    model.fireDueTimers();
    EXPECT_EQ(model.LampColor, Lamp::Dark);
}

TEST_F(MeterTest, FilterLengthAdaptsBetweenThreeAndTen) {
    model.RawValue = 1000;
    model.ResetPending = true;
    model.Filter();
    model.ResetPending = false;
    EXPECT_EQ(model.FilteredValue, 1000);
    for (int i = 0; i < 20; ++i)
        model.Filter();
    EXPECT_EQ(model.FilterLength, 11); // grows by one per steady sample; clamped to 10 on use
    model.Filter();
    EXPECT_EQ(model.FilterLength, 11);
    for (int i = 0; i < 30; ++i) {
        model.RawValue += 50; // a steep ramp shortens it
        model.Filter();
    }
    EXPECT_EQ(model.FilterLength, 2);
    model.RawValue = 0;
    model.Filter(); // the last three readings 0, 2500, 2450 average 4950 / 3 = 1650
    EXPECT_EQ(model.FilteredValue, 1650);
}

// The length grows when the newest and the oldest of the 16 readings differ by
// less than 100, shrinks when they differ by more, and stays at exactly 100.
TEST_F(MeterTest, FilterLengthStaysWhenTheSpanIsExactlyOneHundred) {
    struct Case {
        std::int32_t second;
        std::int16_t length;
    };
    // After the reset at 1000 the length is 3 + 1 = 4 (a span of 0); the second
    // reading against the oldest (1000) decides the next step.
    for (const Case c :
         {Case{1100, 4}, Case{900, 4}, Case{1101, 3}, Case{899, 3}, Case{1099, 5}, Case{901, 5}}) {
        MeterModel m([] { return 0.0; });
        m.RawValue = 1000;
        m.ResetPending = true;
        m.Filter();
        m.ResetPending = false;
        ASSERT_EQ(m.FilterLength, 4);
        m.RawValue = c.second;
        m.Filter();
        EXPECT_EQ(m.FilterLength, c.length) << c.second;
    }
}

TEST_F(MeterTest, BaseCodesTextsAndTheCounter) {
    model.DialType = 0;
    model.RawValue = 0;
    model.Calc_Base();
    EXPECT_EQ(model.LastBaseCode, 4);
    EXPECT_EQ(model.BaseText, "0.5");
    model.RawValue = 65535;
    model.Calc_Base();
    EXPECT_EQ(model.LastBaseCode, 245);
    EXPECT_EQ(model.BaseText, "6.5");
    EXPECT_EQ(model.CurrentRecord.BaseCode, 245);

    // Falling Base counts while enabled, shown as tenths of a quarter code.
    model.BdEnabled = true;
    model.BdTotal = 3996;
    // 63335 / 2 = 31667.5, to even 31668; 31668 * 61550 / 32768 = 59483, + 1170 = 60653;
    // 60653 / 256 = code 236: a drop of 245 - 236 = 9 codes.
    model.RawValue = 65535 - 2 * 1100;
    model.Calc_Base();
    EXPECT_EQ(model.LastBaseCode, 236);
    EXPECT_EQ(model.BdTotal, 4005);
    EXPECT_EQ(model.BdText, "100"); // 4005 / 4 = 1001 tenths, shown in whole units
    model.BdTotal = 3996;
    model.RawValue = 65535;
    model.Calc_Base(); // rising: no count
    EXPECT_EQ(model.BdTotal, 3996);

    // Dial type 1 keeps the Base between SETs unless the needle counter is on.
    model.DialType = 1;
    model.RawValue = 0;
    model.Calc_Base();
    EXPECT_EQ(model.LastBaseCode, 245);
    model.NeedleBdEnable = true;
    model.Calc_Base();
    EXPECT_EQ(model.LastBaseCode, 4);
}

TEST_F(MeterTest, BodyMotionThresholdsFineMediumCoarse) {
    for (int index : {1, 2, 3}) {
        MeterModel m([this] { return now; });
        m.Override = true;
        m.DialType = 0;
        m.BmThreshold = bmThresholdFor(index);
        m.startUp();
        std::vector<std::uint16_t> raw = {5000, 5000, 5000, 5026, 5000, 5000, 5000};
        bool lit = false;
        for (std::uint16_t r : raw) {
            m.CurrentRecord.RawReading = r;
            m.Process_Sample();
            m.ResetPending = false;
            lit = lit || m.MotionActive;
        }
        EXPECT_EQ(lit, index != 3) << "threshold index " << index;
    }
    // A steady ramp has no second difference: once the history holds the
    // ramp (after the kink where it starts), nothing triggers.
    model.Override = true;
    model.BmThreshold = 30;
    model.DialType = 0;
    model.startUp();
    for (int i = 0; i < 80; ++i) {
        overrideSample(static_cast<std::uint16_t>(1000 + i * 700));
        if (i >= 30) {
            EXPECT_FALSE(model.MotionActive) << i;
        }
    }
}

TEST_F(MeterTest, MotionHoldsTheLampHalfASecondAndFreezes) {
    model.Override = true;
    model.FreezeEnable = true;
    model.DialType = 1;
    model.startUp();
    overrideSample(5000);
    overrideSample(5000);
    overrideSample(5400); // spike
    EXPECT_TRUE(model.MotionActive);
    EXPECT_TRUE(model.FreezeActive);
    EXPECT_EQ(model.LampColor, Lamp::BodyMotion);
    const double spikeTime = now;
    // The spike's second difference exceeds the threshold on three samples;
    // the lamp goes dark on the first sample more than 0.5 s after the last.
    const double lastDetection = spikeTime + 0.04;
    while (model.MotionActive) {
        overrideSample(5000);
        ASSERT_LT(now, spikeTime + 2);
    }
    EXPECT_GT(now - lastDetection, 0.5);
    EXPECT_LE(now - lastDetection, 0.52 + 1e-9);
    EXPECT_FALSE(model.MotionActive);
    EXPECT_FALSE(model.FreezeActive);
    EXPECT_EQ(model.LampColor, Lamp::Dark);
    EXPECT_FALSE(model.SetRequest); // the Base was re-read, the needle not re-centred
}

TEST_F(MeterTest, PlainPlaybackReplaysTheRecordedFields) {
    struct Seen : MeterEvents {
        int panels = 0, knobs = 0;
        std::vector<Lamp> lamps;
        void Draw_Panel() override { ++panels; }
        void Update_SensKnob() override { ++knobs; }
        void Update_LED(Lamp l) override { lamps.push_back(l); }
    } seen;
    MeterModel m([this] { return now; }, &seen);
    m.startUp();
    SampleRecord r;
    r.SensIndex = 70;               // clamped to 63
    r.StatusFlags = 0b010'0'1'1'10; // dial 2, counter on, frozen, body motion
    r.BaseCode = 100;
    r.BdCount = 1234;
    r.MarkType = 'T';
    r.MarkData = {0x01, 0x80, 0, 0};
    m.CurrentRecord = r;
    m.Process_Sample();
    EXPECT_EQ(m.KnobIndex, 63);
    EXPECT_EQ(m.DialType, 2);
    EXPECT_TRUE(m.FreezeActive);
    EXPECT_TRUE(m.BdEnabled);
    EXPECT_TRUE(m.MotionActive);
    EXPECT_EQ(m.LampColor, Lamp::BodyMotion);
    EXPECT_EQ(m.BaseText, "2.9");
    EXPECT_EQ(m.BdText, "123");
    EXPECT_EQ(m.TagNumber, 32769);
    EXPECT_EQ(seen.panels, 1);
    EXPECT_EQ(seen.knobs, 1);

    // The counter text follows only records whose Base code changed.
    m.ResetPending = false;
    m.CurrentRecord.BdCount = 5;
    m.Process_Sample();
    EXPECT_EQ(m.BdText, "123");
    m.CurrentRecord.BaseCode = 101;
    m.Process_Sample();
    EXPECT_EQ(m.BdText, "0.5");
    EXPECT_EQ(seen.lamps.size(), 1u); // unchanged flags are not re-applied
}

TEST_F(MeterTest, LagLampLightsWhenTooManyRecordsAreFetched) {
    model.LagThreshold = lagThresholdFor(1);
    model.lagFetched(1);
    EXPECT_EQ(model.LampColor, Lamp::Dark);
    model.lagFetched(2);
    EXPECT_EQ(model.LampColor, Lamp::Lag);
    model.lagEndOfCall();
    EXPECT_EQ(model.LampColor, Lamp::Lag);
    now += 0.11;
    model.lagEndOfCall();
    EXPECT_EQ(model.LampColor, Lamp::Dark);
    EXPECT_EQ(lagThresholdFor(9), 2);
    EXPECT_EQ(bmThresholdFor(0), 50);
}

TEST(TestSwing, StepsEveryTwentyMillisecondsAtTheKnobsSpeed) {
    TestSwing swing;
    EXPECT_FALSE(swing.step(10, 63));
    const auto first = swing.step(20, 63);
    ASSERT_TRUE(first);
    // Knob 63: a step of (63 + 10) / 750 = 0.0973 rad; 9000 * sin(0.0973) = 874.6.
    EXPECT_EQ(*first, 875);
    EXPECT_FALSE(swing.step(39, 63));
    int steps = 1;
    for (double t = 40; swing.PhaseAngle != 0; t += 20) {
        swing.step(t, 63);
        ++steps;
    }
    // 64 steps reach 6.229 rad, the 65th 6.327 > 6.28318: that one resets the phase.
    EXPECT_EQ(steps, 65);
}

} // namespace
} // namespace kv
