// MeterModel: the meter's signal model for one window. It turns each sample
// into the shown needle deflection, Base reading, body-motion counter and
// alert lamp, either replaying what the recording carries or, under
// Override, computing them from the raw reading. All state lives here; every
// "now" comes from the injected clock (seconds), so the model runs on
// virtual time in tests and in kvtool.
//
// Timers (SET lamp hold, auto-SET at the dial's ends) are deadlines on that
// clock; the owner calls fireDueTimers() before each sample and whenever its
// own timer for nextTimerDeadline() fires.
#pragma once

#include "SampleRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kv {

enum class Lamp : std::uint8_t { Dark = 0, Set = 1, BodyMotion = 2, Lag = 3 };

// What the model asks the display to redraw. All calls are optional.
class MeterEvents {
public:
    virtual ~MeterEvents() = default;
    virtual void Update_BaseDisplay(const std::string& /*text*/) {}
    virtual void Update_BdDisplay(const std::string& /*text*/) {}
    virtual void Update_LED(Lamp /*lamp*/) {}
    virtual void Update_SensKnob() {}
    virtual void Draw_Panel() {}
    virtual void Update_RecordReadouts() {}
    virtual void showTag(std::uint16_t /*tag*/) {}
};

// Dial types and their rest (SET) deflection.
inline constexpr std::int32_t kSectorRest = -2503;
std::int32_t restDeflection(int dialType);

// Working values of the alert settings.
int bmThresholdFor(int bmThresholdIndex); // 1 Fine 30, 2 Medium 50, 3 Coarse 100; else 50
int lagThresholdFor(int dataLagIndex);    // the index itself for 1..5 (both included); else 2

class MeterModel {
public:
    using Now = std::function<double()>;
    explicit MeterModel(Now now, MeterEvents* events = nullptr);

    // Inputs owned by the window and the settings.
    int DialType = 1;
    int KnobIndex = 8;
    bool NeedleBdEnable = false;
    bool FreezeEnable = false;
    int BmThreshold = 50;
    int LagThreshold = 2;
    bool Override = false;
    bool TestRunning = false;
    double MotionHoldSecs = 0.5;

    // Window state shared with playback and display.
    SampleRecord CurrentRecord;
    std::int32_t RawValue = 0;
    std::int32_t FilteredValue = 0;
    std::int32_t SetPoint = 0;
    bool SetRequest = false;
    bool ResetPending = false;
    bool FreezeActive = false;
    bool MotionActive = false;
    std::int16_t BdTotal = 0;
    bool BdEnabled = false;
    std::string BaseText;
    std::string BdText = "0.0";
    Lamp LampColor = Lamp::Dark;
    std::uint16_t TagNumber = 0;
    std::uint8_t LastBaseCode = 0;
    std::int16_t FilterLength = 0;

    // The state after start-up: reset and SET pending, readouts blank.
    void startUp();
    // A recording was loaded or dropped: nothing shown may come from the one
    // before. Base blank, lamp dark, no motion or freeze, the counter from the
    // running total, the given knob and dial, reset and SET pending; every
    // readout is redrawn.
    void forgetRecording(int knobIndex, int dialType);

    // FilteredValue: the mean of the newest FilterLength raw readings (first
    // brought into 3..10, both included), rounded to the nearest whole number
    // with halves to the even neighbour. The length then shrinks by one when
    // the newest and the 16th-newest reading differ by more than 100, grows by
    // one when they differ by less, and stays at exactly 100.
    void Filter();
    std::int32_t Calc_Needle(std::int32_t& data);
    // LastBaseCode from RawValue: half the reading rounded to nearest (halves
    // to even), times 61550 / 32768 plus 1170, then / 256, each division
    // truncating toward zero; clamped to 0..255 (both included).
    void Calc_Base();
    void Process_Sample();
    // The readouts a record carries (Base, counter, knob, dial type), shown
    // as they were at that record without playing it.
    void applyReadouts(const SampleRecord& record);
    // The computed branch of the needle update: Calc_Base, then Calc_Needle.
    std::int32_t computeDeflection();

    // Lag lamp, from the playback loop: after each fetch with the number of
    // records fetched so far in this call, and at the end of the call.
    void lagFetched(int countInCall);
    void lagEndOfCall();

    // The lamp switched off (painted in the dial colour), as at the start of playback.
    void lampOff() { setLamp(Lamp::Dark); }

    void toggleCounter();
    void zeroCounter();

    void fireDueTimers();
    // Seconds on the clock when the next timer falls due.
    std::optional<double> nextTimerDeadline() const;
    bool timerRunning(int which) const { return m_timers[static_cast<std::size_t>(which)].running; }
    enum Timer { kTmrLED = 0, kTmrFall = 1, kTmrRise = 2 };

private:
    // Time in the model is whole milliseconds of the clock, so a timer due
    // at a record's time is due at that record, not a rounding error away.
    std::int64_t nowMs() const;
    struct Deadline {
        bool running = false;
        std::int64_t at = 0; // ms
    };
    void setLamp(Lamp lamp);
    void startTimer(Timer t, std::int64_t intervalMs);
    void startIfIdle(Timer t, std::int64_t intervalMs);
    void detectMotion();
    void replayRecord();
    void showRecordedKnob(int sensIndex);
    std::int32_t needleLaw(std::int32_t data, std::int64_t g);

    Now m_now;
    MeterEvents* m_events;
    MeterEvents m_noEvents;
    std::int32_t m_lastDeflection = 0;
    std::int16_t m_lastKnobIndex = 0;
    // The last 16 readings, a ring with the newest at m_filterNewest.
    static constexpr std::size_t kFilterMask = 15;
    std::array<std::int32_t, 16> m_filterHistory{};
    std::size_t m_filterNewest = 0;
    std::int16_t m_lastShownBaseCode = 0;
    std::array<std::int32_t, 3> m_motionHistory{};
    std::int64_t m_motionTime = 0;          // ms
    std::int64_t m_lagTime = INT64_MIN / 2; // ms
    std::uint8_t m_lastFlags = 0;
    std::array<Deadline, 3> m_timers{};
};

// Test mode's swing: one step per 20 ms of audio clock, phase growing with
// the knob, needle on a sine of amplitude 9000.
struct TestSwing {
    float PhaseAngle = 0;
    float LastStepMs = 0;
    // The new needle position, 9000 sin(phase) rounded to nearest with halves
    // to even, or nothing when less than 20 ms passed since the last step
    // (a step at exactly 20 ms is taken). The phase returns to 0 once past 2 pi.
    std::optional<std::int16_t> step(double audioMs, int knobIndex);
};

} // namespace kv
