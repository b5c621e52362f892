// Synthetic recordings with known falls of the raw reading, for testing and
// timing the reaction finder: a slow drift, falls of chosen size and speed
// at irregular times, each recovering over a few seconds, and optional
// Gaussian noise. Sizes and noise are in dial divisions at the recording's
// knob, so the same options mean the same needle movement at any knob.
#pragma once

#include "SampleRecord.h"

#include <cstdint>
#include <vector>

namespace kv {

struct FallOptions {
    std::int32_t records = 30000;        // 10 minutes
    std::uint32_t seed = 1;
    int knobIndex = 8;
    double noiseDivisions = 0;           // standard deviation per record
    double minFallDivisions = 1.5;       // falls drawn between these sizes
    double maxFallDivisions = 6.0;
    double minFallSecs = 0.4;            // onset to peak
    double maxFallSecs = 2.5;
    double minGapSecs = 12;              // onset to next onset
    double maxGapSecs = 25;
    std::int32_t clockStartSecs = 36000; // 10:00:00; 0 writes no clock mark
    std::int32_t dayNumber = 0;          // the date mark (1 is 2000-01-01); 0 writes none
    double level = 32000;                // the raw reading the drift swings about
};

struct InsertedFall {
    std::int32_t onset = 0; // index (0-based) of the last record before the fall
    std::int32_t peak = 0;  // index of the lowest point
    double divisions = 0;
};

struct FallRecording {
    std::vector<SampleRecord> records;
    std::vector<InsertedFall> falls;
};

FallRecording makeFallRecording(const FallOptions& options);

} // namespace kv
