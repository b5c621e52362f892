// The reaction finder on recordings with known inserted falls.
#include "RecordingEvents.h"
#include "SyntheticFalls.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kv {
namespace {

struct Score {
    int inserted = 0, found = 0, reactions = 0;
};

// An inserted fall is found when a reaction starts and peaks within half a
// second of it.
Score score(const FallOptions& o) {
    const FallRecording made = makeFallRecording(o);
    EventOptions only;
    only.kinds = 1U << static_cast<unsigned>(EventKind::Reaction);
    const auto events = findEvents(made.records, only);
    Score s;
    s.inserted = static_cast<int>(made.falls.size());
    s.reactions = static_cast<int>(events.size());
    for (const InsertedFall& f : made.falls) {
        for (const RecordingEvent& e : events) {
            if (std::abs(e.record - 1 - f.onset) <= 25 && std::abs(e.endRecord - 1 - f.peak) <= 25) {
                ++s.found;
                break;
            }
        }
    }
    return s;
}

TEST(SyntheticFalls, CleanRecordingsGiveEveryInsertedFallAndNothingElse) {
    for (int knob : {0, 8, 30, 63}) {
        for (std::uint32_t seed : {1u, 2u}) {
            FallOptions o;
            o.knobIndex = knob;
            o.seed = seed;
            const Score s = score(o);
            ASSERT_GT(s.inserted, 20);
            EXPECT_EQ(s.found, s.inserted) << "knob " << knob << " seed " << seed;
            EXPECT_EQ(s.reactions, s.inserted) << "knob " << knob << " seed " << seed;
        }
    }
}

TEST(SyntheticFalls, NoisyRecordingsGiveNearlyEveryInsertedFall) {
    Score total;
    for (int knob : {0, 8, 30, 63}) {
        for (std::uint32_t seed : {3u, 4u, 5u}) {
            FallOptions o;
            o.knobIndex = knob;
            o.seed = seed;
            o.noiseDivisions = 0.25;
            const Score s = score(o);
            total.inserted += s.inserted;
            total.found += s.found;
            total.reactions += s.reactions;
        }
    }
    EXPECT_GE(total.found, total.inserted * 95 / 100) << total.found << " of " << total.inserted;
    // Noise does not make many reactions of its own.
    EXPECT_LE(total.reactions - total.found, total.inserted * 5 / 100);
}

TEST(SyntheticFalls, FallsStayWithinTheirOptions) {
    FallOptions o;
    o.minFallDivisions = 2;
    o.maxFallDivisions = 3;
    const FallRecording made = makeFallRecording(o);
    ASSERT_FALSE(made.falls.empty());
    for (const InsertedFall& f : made.falls) {
        EXPECT_GE(f.divisions, 2);
        EXPECT_LE(f.divisions, 3);
        EXPECT_GE((f.peak - f.onset) * 20, 400 - 20);
        EXPECT_LE((f.peak - f.onset) * 20, 2500);
    }
    EXPECT_EQ(made.records.front().MarkType, 'C');
    EXPECT_EQ(made.records.front().clockMarkSecs(), 36000);
}

} // namespace
} // namespace kv
