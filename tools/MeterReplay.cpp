#include "MeterReplay.h"

namespace kv {

MeterReplay::MeterReplay(const std::optional<OverrideOptions>& o, int initialDialType)
    : m_model([this] { return m_now; }, this), m_override(o.has_value()) {
    m_model.startUp();
    m_model.DialType = initialDialType;
    if (o) {
        m_model.Override = true;
        m_model.DialType = o->dial;
        m_model.KnobIndex = o->knob;
        m_model.BmThreshold = bmThresholdFor(o->bm);
        m_model.FreezeEnable = o->freeze;
        m_model.NeedleBdEnable = o->needleBd;
        m_model.BdEnabled = o->counter;
    }
}

void MeterReplay::Update_RecordReadouts() {
    if (!m_model.Override) m_model.applyReadouts(m_model.CurrentRecord);
}

std::int32_t MeterReplay::step(const SampleRecord& record) {
    m_now = record.TimeMs / 1000.0;
    m_model.fireDueTimers();
    m_model.CurrentRecord = record;
    m_model.Process_Sample();
    const std::int32_t v =
        m_override ? m_model.computeDeflection() : m_model.CurrentRecord.NeedlePos;
    m_model.ResetPending = false;
    return v;
}

} // namespace kv
