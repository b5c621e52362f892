#include "SampleRecord.h"
#include "PlayTime.h"
#include "RecordingFile.h"

#include <gtest/gtest.h>

#include <random>

namespace kv {
namespace {

TEST(SampleRecord, FieldsSitAtTheirFileOffsetsLittleEndian) {
    SampleRecord r;
    r.TimeMs = 0x04030201;
    r.RawReading = 0x0605;
    r.NeedlePos = static_cast<std::int16_t>(0x0807);
    r.BdCount = 0x0A09;
    r.BaseCode = 0x0B;
    r.SensIndex = 0x0C;
    r.StatusFlags = 0x0D;
    r.Spare = 0x0E;
    r.MarkData = {0x0F, 0x10, 0x11, 0x12};
    r.MarkType = 0x13;
    r.RecordType = 0x14;
    const RecordBytes b = r.toBytes();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(b[static_cast<std::size_t>(i)], i + 1) << "offset " << i;
}

TEST(SampleRecord, DecodeEncodeIsLosslessForAnyBytes) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        RecordBytes in{};
        for (auto& b : in)
            b = static_cast<std::uint8_t>(rng());
        EXPECT_EQ(SampleRecord::decode(in.data()).toBytes(), in);
    }
}

TEST(SampleRecord, SignedAndUnsignedFieldsAndFlags) {
    RecordBytes b{};
    b[4] = 0xFF, b[5] = 0xFF; // raw
    b[6] = 0xFF, b[7] = 0xFF; // needle
    b[12] = 0b101'0'1'1'10;   // dial 5, bd on, frozen, lamp 2
    const SampleRecord r = SampleRecord::decode(b.data());
    EXPECT_EQ(r.RawReading, 65535);
    EXPECT_EQ(r.NeedlePos, -1);
    EXPECT_EQ(r.lamp(), LampState::BodyMotion);
    EXPECT_TRUE(r.frozen());
    EXPECT_TRUE(r.bdOn());
    EXPECT_EQ(r.dialType(), 5);
}

TEST(SampleRecord, MarksReadTheirBytes) {
    RecordBytes b{};
    b[15] = 0x00, b[16] = 0xE1, b[17] = 0x10;
    EXPECT_EQ(SampleRecord::decode(b.data()).clockMarkSecs(), 57616); // 16:00:16

    RecordBytes d{};
    d[14] = 0xAA, d[15] = 0xBB, d[16] = 0x00, d[17] = 0x01; // bytes 14-15 are not part of the day
    EXPECT_EQ(SampleRecord::decode(d.data()).dayMarkNumber(), 1);
    d[16] = 0x80;
    EXPECT_EQ(SampleRecord::decode(d.data()).dayMarkNumber(), 32769); // unsigned, never negative

    RecordBytes t{};
    t[14] = 0x34, t[15] = 0x92, t[16] = 0x77;
    EXPECT_EQ(SampleRecord::decode(t.data()).tagMarkNumber(), 0x9234);
}

TEST(SampleRecord, DatesCountFromTheLastDayOf1999) {
    using namespace std::chrono;
    EXPECT_EQ(dateFromDayNumber(0), year{1999} / December / 31);
    EXPECT_EQ(dateFromDayNumber(1), year{2000} / January / 1);
    EXPECT_EQ(dateFromDayNumber(60), year{2000} / February / 29);
}

TEST(SampleRecord, BaseAndCounterTexts) {
    EXPECT_EQ(Format_BaseText(0), "0.4");
    EXPECT_EQ(Format_BaseText(1), "0.4");
    EXPECT_EQ(Format_BaseText(2), "0.45");
    EXPECT_EQ(Format_BaseText(24), "1.0");
    EXPECT_EQ(Format_BaseText(255), "6.75");
    EXPECT_EQ(Format_BdText(0), "0.0");
    EXPECT_EQ(Format_BdText(5), "0.5");
    EXPECT_EQ(Format_BdText(-5), "-0.5");
    EXPECT_EQ(Format_BdText(999), "99.9");
    EXPECT_EQ(Format_BdText(1000), "100");
    EXPECT_EQ(Format_BdText(12340), "1234");
}

TEST(PlayTime, FormDependsOnTheRecordingLength) {
    EXPECT_EQ(Format_PlayTime(0, 3599999), "00:00");
    EXPECT_EQ(Format_PlayTime(425, 3599999), "07:05");
    EXPECT_EQ(Format_PlayTime(3599, 3599999), "59:59");
    EXPECT_EQ(Format_PlayTime(0, 3600000), "0:00:00");
    EXPECT_EQ(Format_PlayTime(4025, 3600000), "1:07:05");
    EXPECT_EQ(Format_PlayTime(36000, 36000000), "10:00:00");
    // 59500 ms: the label rounds to 60 s, the skip step truncates to 59 s.
    EXPECT_EQ(Format_PlayTime(static_cast<std::int32_t>(roundHalfEven(59500 / 1000.0)), 59500),
              "01:00");
    EXPECT_EQ(Calc_SkipStep(59500 / 1000), 10);
}

TEST(PlayTime, SkipStepBands) {
    EXPECT_EQ(Calc_SkipStep(599), 10);
    EXPECT_EQ(Calc_SkipStep(600), 15);
    EXPECT_EQ(Calc_SkipStep(1799), 15);
    EXPECT_EQ(Calc_SkipStep(1800), 30);
    EXPECT_EQ(Calc_SkipStep(3599), 30);
    EXPECT_EQ(Calc_SkipStep(3600), 60);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
}

} // namespace
} // namespace kv
