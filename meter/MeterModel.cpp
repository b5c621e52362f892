#include "MeterModel.h"

#include "Knob.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kv {
namespace {

constexpr std::int64_t kLedMs = 300;
constexpr std::int64_t kFallMs = 1000;
constexpr std::int64_t kRiseMs = 400;
constexpr std::int64_t kLagHoldMs = 100;

std::int16_t toInt16(std::int64_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767));
}

std::int32_t toInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

std::int32_t restDeflection(int dialType) {
    return dialType == 0 || dialType == 3 ? 0 : kSectorRest;
}

int bmThresholdFor(int index) {
    switch (index) {
    case 1:
        return 30;
    case 3:
        return 100;
    default:
        return 50;
    }
}

int lagThresholdFor(int index) {
    return index >= 1 && index <= 5 ? index : 2;
}

MeterModel::MeterModel(Now now, MeterEvents* events) : m_now(std::move(now)), m_events(events) {
    if (!m_events) m_events = &m_noEvents;
}

void MeterModel::startUp() {
    ResetPending = true;
    SetRequest = true;
    BaseText.clear();
    BdText = "0.0";
    BdEnabled = false;
}

void MeterModel::forgetRecording(int knobIndex, int dialType) {
    CurrentRecord = SampleRecord{};
    RawValue = FilteredValue = 0;
    BaseText.clear();
    LastBaseCode = 0;
    m_lastShownBaseCode = 0;
    m_lastFlags = 0;
    MotionActive = FreezeActive = false;
    TagNumber = 0;
    m_timers = {};
    ResetPending = true;
    SetRequest = true;
    BdText = Format_BdText(static_cast<std::int16_t>(BdTotal / 4));
    KnobIndex = std::clamp(knobIndex, 0, 63);
    DialType = dialType;
    setLamp(Lamp::Dark);
    m_events->Draw_Panel();
    m_events->Update_BaseDisplay(BaseText);
    m_events->Update_BdDisplay(BdText);
    m_events->Update_SensKnob();
}

void MeterModel::setLamp(Lamp lamp) {
    LampColor = lamp;
    m_events->Update_LED(lamp);
}

std::int64_t MeterModel::nowMs() const {
    return std::llround(m_now() * 1000.0);
}

void MeterModel::startTimer(Timer t, std::int64_t intervalMs) {
    m_timers[t] = {true, nowMs() + intervalMs};
}

void MeterModel::startIfIdle(Timer t, std::int64_t intervalMs) {
    if (!m_timers[t].running) startTimer(t, intervalMs);
}

void MeterModel::fireDueTimers() {
    const std::int64_t now = nowMs();
    for (int t = 0; t < 3; ++t) {
        Deadline& d = m_timers[static_cast<std::size_t>(t)];
        if (!d.running || d.at > now) continue;
        d.running = false;
        if (t == kTmrLED) {
            if (!TestRunning) setLamp(Lamp::Dark);
        } else {
            SetRequest = true;
        }
    }
}

std::optional<double> MeterModel::nextTimerDeadline() const {
    std::optional<std::int64_t> next;
    for (const Deadline& d : m_timers)
        if (d.running && (!next || d.at < *next)) next = d.at;
    if (!next) return std::nullopt;
    return static_cast<double>(*next) / 1000.0;
}

void MeterModel::Filter() {
    FilterLength = std::clamp<std::int16_t>(FilterLength, 3, 10);
    // The newest reading goes in place of the oldest: no shifting per record.
    if (ResetPending) {
        m_filterHistory.fill(RawValue);
    } else {
        m_filterNewest = (m_filterNewest + 1) & kFilterMask;
        m_filterHistory[m_filterNewest] = RawValue;
    }
    std::int64_t sum = 0;
    for (int i = 0; i < FilterLength; ++i)
        sum += m_filterHistory[(m_filterNewest - static_cast<std::size_t>(i)) & kFilterMask];
    FilteredValue =
        static_cast<std::int32_t>(std::nearbyint(static_cast<double>(sum) / FilterLength));
    // The newest reading against the sixteenth newest.
    const std::int32_t d = std::abs(m_filterHistory[m_filterNewest] -
                                    m_filterHistory[(m_filterNewest + 1) & kFilterMask]);
    if (d > 100)
        --FilterLength;
    else if (d < 100)
        ++FilterLength;
}

std::int32_t MeterModel::needleLaw(std::int32_t data, std::int64_t g) {
    const bool knobChanged = KnobIndex != m_lastKnobIndex;
    const std::int64_t last = m_lastDeflection;
    switch (DialType) {
    case 0:
    case 3:
        if (knobChanged) SetPoint = toInt32(last / g + data);
        if (FreezeActive) {
            SetPoint = toInt32(last / g + data);
            return m_lastDeflection;
        }
        return static_cast<std::int16_t>(
            static_cast<std::uint16_t>(((SetPoint - std::int64_t{data}) * g) & 0xFFFF));
    case 1:
    case 2: {
        if (knobChanged) SetPoint = toInt32((last + 2503) / g + data);
        if (FreezeActive) {
            SetPoint = toInt32((last + 2503) / g + data);
            return m_lastDeflection;
        }
        std::int64_t e = (SetPoint - std::int64_t{data}) * g - 2503;
        if (DialType == 2) {
            if (e > 8000)
                SetPoint = toInt32(-3497 / g + data);
            else if (e < -8000)
                SetPoint = toInt32(8503 / g + data);
            e = (SetPoint - std::int64_t{data}) * g - 2503;
            return toInt32(e);
        }
        if (e > 10000) {
            e = std::min<std::int64_t>(e, 10500);
            startIfIdle(kTmrFall, kFallMs);
        } else if (e < -10000) {
            e = std::max<std::int64_t>(e, -10500);
            startIfIdle(kTmrRise, kRiseMs);
        } else {
            m_timers[kTmrFall].running = false;
            m_timers[kTmrRise].running = false;
        }
        return toInt32(e);
    }
    default:
        return 0;
    }
}

std::int32_t MeterModel::Calc_Needle(std::int32_t& data) {
    const std::int64_t g = std::max(1, gainMultiplier(KnobIndex));
    std::int32_t deflection;
    if (ResetPending) {
        deflection = restDeflection(DialType);
        SetPoint = data;
    } else {
        deflection = needleLaw(data, g);
        const bool known = DialType >= 0 && DialType <= 3;
        const bool sector = DialType == 1 || DialType == 2;
        if (SetRequest && known && !(sector && FreezeActive)) {
            SetRequest = false;
            SetPoint = data;
            deflection = restDeflection(DialType);
            startTimer(kTmrLED, kLedMs);
            setLamp(Lamp::Set);
        }
    }
    m_lastKnobIndex = static_cast<std::int16_t>(KnobIndex);
    m_lastDeflection = deflection;
    return deflection;
}

void MeterModel::Calc_Base() {
    if (DialType < 0 || DialType > 3) return;
    if (DialType == 1 && !NeedleBdEnable && !SetRequest) return;
    const auto h = static_cast<std::int64_t>(std::nearbyint(RawValue / 2.0));
    const std::int64_t t = (h * 61550) / 32768 + 1170;
    const auto b = static_cast<std::uint8_t>(std::clamp<std::int64_t>(t / 256, 0, 255));
    std::int16_t drop = static_cast<std::int16_t>(LastBaseCode - b);
    LastBaseCode = b;
    if (MotionActive) {
        if (DialType != 1) return;
        drop = 0;
    }
    if (drop > 0 && BdEnabled) {
        BdTotal = toInt16(std::int64_t{BdTotal} + drop);
        const std::string text = Format_BdText(static_cast<std::int16_t>(BdTotal / 4));
        if (text != BdText) {
            BdText = text;
            m_events->Update_BdDisplay(BdText);
        }
    }
    // Compared with the shown text through the shared table: no text is made per record.
    if (const std::string_view base = baseTextOf(b); base != BaseText) {
        BaseText = base;
        m_events->Update_BaseDisplay(BaseText);
    }
    CurrentRecord.BaseCode = b;
    CurrentRecord.BdCount = static_cast<std::int16_t>(BdTotal / 4);
}

std::int32_t MeterModel::computeDeflection() {
    Calc_Base();
    return Calc_Needle(FilteredValue);
}

void MeterModel::detectMotion() {
    m_motionHistory[2] = m_motionHistory[1];
    m_motionHistory[1] = m_motionHistory[0];
    m_motionHistory[0] = RawValue;
    const std::int64_t a = std::llabs(std::int64_t{m_motionHistory[0]} -
                                      2 * std::int64_t{m_motionHistory[1]} + m_motionHistory[2]);
    const std::int64_t now = nowMs();
    if (a > BmThreshold) {
        setLamp(Lamp::BodyMotion);
        if (FreezeEnable) FreezeActive = true;
        MotionActive = true;
        m_motionTime = now;
    }
    if (MotionActive && m_motionTime + std::llround(MotionHoldSecs * 1000.0) < now) {
        if (DialType == 1) {
            // Re-read the Base after the motion without re-centring the needle.
            SetRequest = true;
            Calc_Base();
            SetRequest = false;
        }
        MotionActive = false;
        FreezeActive = false;
        setLamp(Lamp::Dark);
    }
}

void MeterModel::replayRecord() {
    const SampleRecord& r = CurrentRecord;
    if (r.MarkType == 'T') {
        TagNumber = r.tagMarkNumber();
        m_events->showTag(TagNumber);
    }
    showRecordedKnob(r.SensIndex);
    if (r.StatusFlags != m_lastFlags) {
        if ((r.StatusFlags & 0x03) != (m_lastFlags & 0x03)) {
            const auto lamp = static_cast<Lamp>(r.StatusFlags & 0x03);
            setLamp(lamp);
            if (lamp == Lamp::Dark) MotionActive = false;
            if (lamp == Lamp::BodyMotion) MotionActive = true;
        }
        FreezeActive = (r.StatusFlags & 0x04) != 0;
        if ((r.StatusFlags & 0x08) != (m_lastFlags & 0x08)) {
            BdEnabled = (r.StatusFlags & 0x08) != 0;
            m_events->Update_BdDisplay(BdText);
        }
        const int dial = r.StatusFlags >> 5;
        if (dial != DialType) {
            DialType = dial;
            m_events->Draw_Panel();
        }
        m_lastFlags = r.StatusFlags;
    }
    if (r.BaseCode != m_lastShownBaseCode) {
        if (const std::string_view base = baseTextOf(r.BaseCode); base != BaseText) {
            BaseText = base;
            m_events->Update_BaseDisplay(BaseText);
        }
        const std::string bd = Format_BdText(r.BdCount);
        if (bd != BdText) {
            BdText = bd;
            m_events->Update_BdDisplay(BdText);
        }
        m_lastShownBaseCode = r.BaseCode;
    }
}

// A recorded knob position above 63 reads as 63.
void MeterModel::showRecordedKnob(int sensIndex) {
    const int knob = std::min(sensIndex, 63);
    if (knob == KnobIndex) return;
    KnobIndex = knob;
    m_events->Update_SensKnob();
}

void MeterModel::applyReadouts(const SampleRecord& r) {
    BaseText = Format_BaseText(r.BaseCode);
    m_events->Update_BaseDisplay(BaseText);
    BdText = Format_BdText(r.BdCount);
    BdEnabled = r.bdOn();
    m_events->Update_BdDisplay(BdText);
    showRecordedKnob(r.SensIndex);
    if (r.dialType() != DialType) {
        DialType = r.dialType();
        m_events->Draw_Panel();
    }
}

void MeterModel::Process_Sample() {
    RawValue = CurrentRecord.RawReading;
    if (ResetPending) {
        m_motionHistory[0] = m_motionHistory[1] = RawValue;
        m_events->Update_RecordReadouts();
        m_lastFlags = 0;
    }
    if (Override) {
        Filter();
        detectMotion();
        return;
    }
    replayRecord();
}

void MeterModel::lagFetched(int countInCall) {
    if (countInCall <= LagThreshold) return;
    if (LampColor != Lamp::Lag) setLamp(Lamp::Lag);
    m_lagTime = nowMs();
}

void MeterModel::lagEndOfCall() {
    if (m_lagTime + kLagHoldMs < nowMs() && LampColor == Lamp::Lag) setLamp(Lamp::Dark);
}

void MeterModel::toggleCounter() {
    BdEnabled = !BdEnabled;
    m_events->Update_BdDisplay(BdText);
}

void MeterModel::zeroCounter() {
    BdTotal = 0;
    BdText = "0.0";
    m_events->Update_BdDisplay(BdText);
}

std::optional<std::int16_t> TestSwing::step(double audioMs, int knobIndex) {
    const auto t = static_cast<float>(audioMs);
    if (t < LastStepMs + 20) return std::nullopt;
    LastStepMs = t;
    PhaseAngle += static_cast<float>(knobIndex + 10) / 750.0f;
    if (PhaseAngle > 2 * 3.14159f) PhaseAngle = 0;
    return static_cast<std::int16_t>(std::nearbyint(9000.0 * std::sin(PhaseAngle)));
}

} // namespace kv
