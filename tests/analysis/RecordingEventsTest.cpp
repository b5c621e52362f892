#include "RecordingEvents.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kv {
namespace {

// n steady records 20 ms apart at one knob, counter on, Traditional dial.
std::vector<SampleRecord> steady(int n, int knob = 8, int raw = 30000) {
    std::vector<SampleRecord> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        SampleRecord& r = out[static_cast<std::size_t>(i)];
        r.TimeMs = i * 20;
        r.RawReading = static_cast<std::uint16_t>(raw);
        r.SensIndex = static_cast<std::uint8_t>(knob);
        r.BaseCode = 100;
        r.StatusFlags = 0x28;
        r.RecordType = 'O';
    }
    return out;
}

// Lowers the reading linearly by `size` from record `from` to record `to`
// (0-based) and holds it there `holdRecords`, then back up at once.
void fall(std::vector<SampleRecord>& rs, int from, int to, double size, int holdRecords = 100) {
    const double start = rs[static_cast<std::size_t>(from)].RawReading;
    for (int i = from + 1; i < static_cast<int>(rs.size()) && i <= to + holdRecords; ++i) {
        const double f = std::min(1.0, double(i - from) / (to - from));
        rs[static_cast<std::size_t>(i)].RawReading = static_cast<std::uint16_t>(start - size * f);
    }
}

void tag(SampleRecord& r, int number) {
    r.MarkType = 'T';
    r.MarkData = {static_cast<std::uint8_t>(number & 0xFF), static_cast<std::uint8_t>(number >> 8),
                  0, 0};
}

void lamp(std::vector<SampleRecord>& rs, int from, int to, LampState state) {
    for (int i = from; i <= to; ++i) {
        auto& f = rs[static_cast<std::size_t>(i)].StatusFlags;
        f = static_cast<std::uint8_t>((f & ~0x03) | static_cast<int>(state));
    }
}

EventOptions only(EventKind k) {
    EventOptions o;
    o.kinds = 1U << static_cast<unsigned>(k);
    return o;
}

TEST(RecordingEvents, TagsOnEveryRecordThatCarriesOneReadUnsigned) {
    auto rs = steady(50);
    tag(rs[0], 1);      // the first record
    tag(rs[10], 32767);
    tag(rs[11], 32768); // next record too: each one counts
    tag(rs[49], 65535); // the last record
    rs[20].MarkType = 'C';
    const auto events = findEvents(rs, only(EventKind::Tag));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], (RecordingEvent{1, 0, EventKind::Tag, 1, "tag 1", 1, 0}));
    EXPECT_EQ(events[1].value, 32767);
    EXPECT_EQ(events[2].record, 12);
    EXPECT_EQ(events[2].value, 32768);
    EXPECT_EQ(events[3], (RecordingEvent{50, 980, EventKind::Tag, 65535, "tag 65535", 50, 980}));
}

TEST(RecordingEvents, LampRunsGiveTheirFirstRecordAndLength) {
    auto rs = steady(100);
    lamp(rs, 0, 2, LampState::Set);          // from the first record
    lamp(rs, 10, 14, LampState::BodyMotion);
    lamp(rs, 15, 16, LampState::Set);        // straight after the motion
    lamp(rs, 30, 35, LampState::Lag);        // not an event
    lamp(rs, 98, 99, LampState::BodyMotion); // up to the last record
    rs[50].StatusFlags |= 0x04;              // freeze bit alone: no lamp
    const auto events = findEvents(rs);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], (RecordingEvent{1, 0, EventKind::Set, 40, "SET", 3, 40}));
    EXPECT_EQ(events[1],
              (RecordingEvent{11, 200, EventKind::Motion, 80, "body motion 0.1 s", 15, 280}));
    EXPECT_EQ(events[2], (RecordingEvent{16, 300, EventKind::Set, 20, "SET", 17, 320}));
    EXPECT_EQ(events[3].kind, EventKind::Motion);
    EXPECT_EQ(events[3].record, 99);
    EXPECT_EQ(events[3].endRecord, 100);
}

TEST(RecordingEvents, BaseChangesOfAtLeastTheStepAndEveryCounterStep) {
    auto rs = steady(40);
    // Base 2.90 from code 100; codes step by two per 0.05.
    for (int i = 5; i < 40; ++i) rs[static_cast<std::size_t>(i)].BaseCode = 104;  // +0.10
    for (int i = 10; i < 40; ++i) rs[static_cast<std::size_t>(i)].BaseCode = 110; // +0.25 in all
    for (int i = 20; i < 40; ++i) rs[static_cast<std::size_t>(i)].BaseCode = 101; // 2.90 again
    for (int i = 25; i < 40; ++i) rs[static_cast<std::size_t>(i)].BaseCode = 90;  // 2.65
    for (int i = 30; i < 40; ++i) rs[static_cast<std::size_t>(i)].BdCount = 12;
    rs[39].BdCount = 1000; // the last record
    const auto base = findEvents(rs, only(EventKind::Base));
    ASSERT_EQ(base.size(), 3u);
    EXPECT_EQ(base[0], (RecordingEvent{11, 200, EventKind::Base, 315, "Base 3.15 (+0.25)", 11, 200}));
    EXPECT_EQ(base[1].record, 21);
    EXPECT_EQ(base[1].text, "Base 2.9 (-0.25)");
    EXPECT_EQ(base[2].record, 26);
    EXPECT_EQ(base[2].value, 265);

    EventOptions fine = only(EventKind::Base);
    fine.baseStep = 0.05;
    EXPECT_EQ(findEvents(rs, fine).size(), 4u); // the +0.10 step counts too

    const auto counter = findEvents(rs, only(EventKind::Counter));
    ASSERT_EQ(counter.size(), 2u);
    EXPECT_EQ(counter[0], (RecordingEvent{31, 600, EventKind::Counter, 12, "counter 1.2", 31, 600}));
    EXPECT_EQ(counter[1].text, "counter 100");
}

TEST(RecordingEvents, ReactionsAreQuickFallsOfAtLeastTheThreshold) {
    // Knob 8 multiplies by 2: one division is about 250 raw units.
    EXPECT_NEAR(rawUnitsForDivisions(1, 8), 250.3, 0.1);
    EXPECT_NEAR(rawUnitsForDivisions(1, 0), 500.6, 0.1);
    auto rs = steady(1500);
    fall(rs, 100, 150, 750);  // 3 divisions in 1 s
    fall(rs, 400, 450, 150);  // 0.6 divisions: too small
    fall(rs, 700, 1300, 450); // 1.8 divisions in 12 s: too slow
    const auto events = findEvents(rs, only(EventKind::Reaction));
    ASSERT_EQ(events.size(), 1u);
    const RecordingEvent& e = events[0];
    EXPECT_NEAR(e.record, 101, 3);
    EXPECT_NEAR(e.endRecord, 151, 3);
    EXPECT_EQ(e.timeMs, rs[static_cast<std::size_t>(e.record - 1)].TimeMs);
    EXPECT_NEAR(static_cast<double>(e.value), 750, 5);
    EXPECT_EQ(e.text.substr(0, 13), "fall 3.0 div ");

    EventOptions wide = only(EventKind::Reaction);
    wide.windowMs = 13000;
    EXPECT_EQ(findEvents(rs, wide).size(), 2u);
    wide.minFallDivisions = 0.5;
    EXPECT_EQ(findEvents(rs, wide).size(), 3u);
    EventOptions strict = only(EventKind::Reaction);
    strict.minFallDivisions = 3.2;
    EXPECT_TRUE(findEvents(rs, strict).empty());
}

TEST(RecordingEvents, TheKnobOfTheOnsetSetsTheThreshold) {
    auto rs = steady(600, 0); // gain 1: 500 raw units a division
    fall(rs, 100, 130, 400);  // 0.8 divisions at knob 0
    for (int i = 300; i < 600; ++i) rs[static_cast<std::size_t>(i)].SensIndex = 8;
    fall(rs, 350, 380, 400);  // 1.6 divisions at knob 8
    const auto events = findEvents(rs, only(EventKind::Reaction));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NEAR(events[0].record, 351, 3);
}

TEST(RecordingEvents, NoReactionAcrossABodyMotionAlert) {
    auto rs = steady(600);
    fall(rs, 100, 150, 750);
    ASSERT_EQ(findEvents(rs, only(EventKind::Reaction)).size(), 1u);
    lamp(rs, 120, 125, LampState::BodyMotion); // in the middle of the fall
    EXPECT_TRUE(findEvents(rs, only(EventKind::Reaction)).empty());
    // A fall finished before an alert that comes while it has not recovered.
    auto before = steady(600);
    fall(before, 100, 150, 750);
    lamp(before, 170, 180, LampState::BodyMotion);
    EXPECT_EQ(findEvents(before, only(EventKind::Reaction)).size(), 1u);
}

TEST(RecordingEvents, FallsFromTheFirstAndIntoTheLastRecord) {
    auto rs = steady(400);
    fall(rs, 0, 40, 600, 60);   // from record 1
    fall(rs, 340, 399, 600, 0); // ends on the last record, never recovers
    const auto events = findEvents(rs, only(EventKind::Reaction));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].record, 1);
    EXPECT_NEAR(events[0].endRecord, 41, 3);
    EXPECT_NEAR(events[1].record, 341, 3);
    EXPECT_EQ(events[1].endRecord, 400);
}

TEST(RecordingEvents, ARecordingOfFiveRecords) {
    auto rs = steady(5, 0, 3000);
    for (int i = 0; i < 5; ++i) rs[static_cast<std::size_t>(i)].RawReading = static_cast<std::uint16_t>(3000 - 150 * i);
    tag(rs[0], 7);
    tag(rs[4], 40000);
    lamp(rs, 0, 0, LampState::Set);
    lamp(rs, 4, 4, LampState::BodyMotion);
    rs[4].BaseCode = 120;
    rs[4].BdCount = 5;
    const auto events = findEvents(rs);
    std::vector<std::pair<int, EventKind>> got;
    for (const auto& e : events) got.emplace_back(e.record, e.kind);
    // The fall of 600 raw units (1.2 divisions at knob 0) ends on the alert's
    // record: not a reaction.
    EXPECT_EQ(got, (std::vector<std::pair<int, EventKind>>{{1, EventKind::Tag},
                                                           {1, EventKind::Set},
                                                           {5, EventKind::Tag},
                                                           {5, EventKind::Motion},
                                                           {5, EventKind::Base},
                                                           {5, EventKind::Counter}}));
    lamp(rs, 4, 4, LampState::Off);
    const auto reactions = findEvents(rs, only(EventKind::Reaction));
    ASSERT_EQ(reactions.size(), 1u);
    EXPECT_EQ(reactions[0].record, 1);
    EXPECT_EQ(reactions[0].endRecord, 5);
    EXPECT_EQ(reactions[0].value, 600);
}

TEST(RecordingEvents, EmptyAndSteadyRecordingsHaveNoEvents) {
    EXPECT_TRUE(findEvents({}).empty());
    EXPECT_TRUE(findEvents(steady(3000)).empty());
}

TEST(RecordingEvents, KindNames) {
    for (int k = 0; k < 6; ++k) {
        const auto kind = static_cast<EventKind>(k);
        EXPECT_EQ(eventKindFromName(eventKindName(kind)), kind);
    }
    EXPECT_EQ(eventKindFromName("reactions"), std::nullopt);
    EXPECT_EQ(eventKindFromName(""), std::nullopt);
}

} // namespace
} // namespace kv
