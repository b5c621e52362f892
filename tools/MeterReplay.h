// Replays a recording through the meter model on the records' own time, as
// playback would: before each record the model's timers that are due fire,
// then Process_Sample, then (under Override) the computed needle. Shared by
// kvtool recompute and render.
#pragma once

#include "MeterModel.h"
#include "SampleRecord.h"

#include <functional>
#include <vector>

namespace kv {

struct OverrideOptions {
    int dial = 1;
    int knob = 8;
    int bm = 2;
    bool freeze = false;
    bool needleBd = false;
    bool counter = true;
};

class MeterReplay : private MeterEvents {
public:
    // override: nothing for plain playback.
    MeterReplay(const std::optional<OverrideOptions>& override, int initialDialType);

    // Runs one record; returns the deflection shown for it.
    std::int32_t step(const SampleRecord& record);

    MeterModel& model() { return m_model; }
    bool overriding() const { return m_override; }

private:
    // The first record after a reset shows its readouts, as in the window.
    void Update_RecordReadouts() override;

    double m_now = 0;
    MeterModel m_model;
    bool m_override;
};

} // namespace kv
